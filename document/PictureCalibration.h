#pragma once

#include "image/PictureScale.h"

#include <optional>

#include <QString>

// Between the current calibration (g_calibration) and the scale a picture
// file carries. GUI thread only, as the calibration is.

// The scale every picture written now carries: the current calibration when
// the user has given one (a stored calibration applied, a scale typed or
// taken from a picture, a rescale); none while the initial, uncalibrated
// values are in use, so that files do not claim a scale nobody measured.
// A picture drawn at `factor` times the calibrated pixels has `factor` times
// as many pixels per centimetre.
std::optional<CPictureScale> ScaleInForce(double factor = 1.0);

// Whether measuring with the current calibration already gives a picture of
// `scale` its own lengths: the same unit and the same pixels per
// centimetre (to a part in a million, as files round it).
bool CalibrationMatches(const CPictureScale& scale);

// Measures with a picture's own scale for the rest of the session, without
// storing it; the stored calibrations and the default stay as they were.
// False, changing nothing, for a scale that is not positive or a unit the
// calibration does not know.
bool UsePictureScale(const CPictureScale& scale);

// Stores a picture's own scale as the calibration `name` and applies it, as
// the manager's Apply does. False, changing nothing, for an empty name, a
// name already stored or a scale UsePictureScale refuses.
bool StorePictureScale(const CPictureScale& scale, const QString& name);

// The name a picture's scale is stored under: the calibration name the file
// carries, else `fileName`; " (2)", " (3)"… added while the store has it.
QString StoredNameForPictureScale(const CPictureScale& scale, const QString& fileName);

// The question that offers a picture's own scale, in the current language:
// how long one of its pixels is and the name it would be stored under.
QString PictureScaleQuestion(const CPictureScale& scale, const QString& storedName);
