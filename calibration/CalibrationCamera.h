#pragma once

#include "calibration/Calibration.h"

#include <optional>

#include <QString>

// Whether the current calibration still fits the picture the camera shows.
// A scale in pixels per centimetre was measured on one camera at one frame
// size: another camera has other optics, and another frame size of the same
// camera spreads the same field over another number of pixels.

enum class CameraFit {
    Unknown,        // the calibration does not say where it was made: nothing to say
    Same,           // made on this camera at this frame size
    OtherCamera,    // made on another camera
    OtherFrameSize, // made on this camera at another frame size
};

struct CCameraFitCheck {
    CameraFit fit = CameraFit::Unknown;
    // OtherFrameSize with the same aspect ratio: scale × new width ÷ old
    // width, the scale the same field of view has at the new size. A frame
    // of another shape is usually a crop of the sensor, where no rescale is
    // right, so none is offered.
    std::optional<double> rescaled;
};

// How a calibration of `scale`, made on `madeOn`, fits `inUse`.
CCameraFitCheck CheckCameraFit(const std::optional<CCalibrationCamera>& madeOn, double scale,
                               const CCalibrationCamera& inUse);

// The same for the current calibration (g_calibration).
CCameraFitCheck CheckCurrentCalibrationCamera(const CCalibrationCamera& inUse);

// One line for the status bar and the calibration manager, in the current
// language; empty for Unknown and Same.
QString CameraFitWarning(const CCameraFitCheck& check, const CCalibrationCamera& madeOn,
                         const CCalibrationCamera& inUse);

// The question that offers the rescale, in the current language; empty when
// the check offers none.
QString CameraRescaleQuestion(const CCameraFitCheck& check, const CCalibrationCamera& madeOn,
                              const CCalibrationCamera& inUse);

// Accepts the offered rescale for this session: the current scale becomes
// the rescaled one and the current calibration counts as made on `inUse`.
// The stored record keeps its scale. False, changing nothing, when the check
// offers no rescale.
bool RescaleCurrentCalibration(const CCameraFitCheck& check, const CCalibrationCamera& inUse);
