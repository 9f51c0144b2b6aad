#pragma once

#include "analysis/particles/ParticleAnalysis.h"
#include "camera/FramePipeline.h"
#include "camera/VideoShape.h"
#include "framework/DrawSurface.h"
#include "image/Dib.h"

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QSize>
#include <QString>

// Still pictures of the live camera: the frame copy stretched to the chosen
// size, the live measurements imprinted, encoded and written whole under a
// name that never replaces an existing file. No GUI toolkit.

// How a still picture is made: its size factor, whether the measurements are
// imprinted, and the file it goes to.
struct CStillRequest {
    double scale = 1.0;
    bool imprint = true;
    // Empty: a snapshot, named by date in the snapshot folder. Otherwise the
    // export picture's path, replaced if it exists (the user confirmed).
    QString exportPath;
    ImageType type = ImageType::Jpeg;
    // The scale of the frame's pixels, carried by TIFF and PNG pictures
    // (converted to the picture's own size); none when uncalibrated.
    std::optional<CPictureScale> frameScale;
    // An export picture is resampled to this size (the reference size times
    // the scale) when the frame size has changed since it was chosen.
    std::optional<QSize> resampleTo;
    // Draw the scale bar of the current calibration at the picture's own
    // scale (the scale bar setting), imprinted measurements or not.
    bool scaleBar = false;
    // The live particle count's latest objects, outlined with the imprinted
    // measurements; none while the count is off.
    std::shared_ptr<const CParticleResult> particles;
};

// A copy of the live measurements (g_liveShapes) to draw on a still
// picture. GUI thread only.
std::vector<CVideoShap> CopyLiveShapes();

// ⌊scale × size + 0.5⌋ on both axes.
QSize ScaledStillSize(double scale, QSize size);

// The frame (bottom-up rows, as delivered) stretched to the request's scale,
// with `shapes` drawn over it at that scale when asked, and the scale bar
// over the finished picture when asked (GUI thread then: it reads the
// current calibration and drawing style). False, with the
// reason in `out.LastError()` or `error`, when no surface of that size can be
// made or the frame is malformed. The picture carries the request's frame
// scale at its own size.
bool ComposeStillPicture(const CStillFrame& frame, const CStillRequest& request,
                         std::span<const CVideoShap> shapes, const CDrawSurfaceFactory& surfaces,
                         CDib& out, QString& error);

// "<folder>/YYYYMMDDhhmmss.jpg" (".bmp", ".tif", ".png" by `type`) from the
// local time `when`.
QString SnapshotFileName(const QString& folder, const QDateTime& when, ImageType type);

// The kind a still picture written to `path` is: by its extension, JPEG for
// any extension we do not write.
ImageType StillTypeForPath(const QString& path);

// Makes, encodes and writes one still picture: to the request's export path,
// replacing it, or as a new snapshot under its date name ("name-1",
// "name-2"... for more in the same second; never replacing a file). Returns
// the path written; empty with a reason in `error` on failure.
QString SaveStillPicture(const CStillFrame& frame, const CStillRequest& request,
                         std::span<const CVideoShap> shapes, const CDrawSurfaceFactory& surfaces,
                         const QString& snapshotFolder, const QDateTime& when, QString& error);
