#pragma once

#include "camera/VideoShape.h"
#include "image/Dib.h"

#include <vector>

#include <QString>

// Keeps the measurements made on the live picture with a snapshot of it: the
// live shapes (frame pixels, the snapshot's pixels) become the session beside
// the snapshot at `picturePath`, with the current calibration and decimals,
// so that opening the snapshot shows them as editable shapes. The crosshair
// and records that make no shape are left out; without any shape nothing is
// written. `cleanPicture`, when given, is the snapshot without the drawing,
// written as a BMP beside the session (CleanPicturePathFor) for the shapes to
// be restored over. An existing file is never replaced. False with `error`
// set when the snapshot cannot be read or a file cannot be written.
bool SaveSnapshotSession(const QString& picturePath, const std::vector<CVideoShap>& liveShapes,
                         const CDib* cleanPicture, QString* error);
