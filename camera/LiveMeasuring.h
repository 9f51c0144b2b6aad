#pragma once

#include "camera/FramePipeline.h"
#include "camera/LiveOverlay.h"
#include "camera/VideoShape.h"

#include <cstdint>
#include <span>

#include <QPoint>
#include <QRect>
#include <QSize>

class CShape;

// What the live view makes of mouse input, without a toolkit: the live
// records of completed shapes, the shape being drawn as the streaming thread
// paints it, the live area selection and the magnifier's square. "Content"
// points are client points plus the scroll position, in zoomed pixels.

// The zoomed picture in content pixels: ⌊frame × zoom + 0.5⌋ on both axes.
QSize ZoomedFrameSize(int frameWidth, int frameHeight, double zoom);

// True when a content point lies on the zoomed picture (clicks elsewhere are
// ignored).
bool OnZoomedPicture(QPoint content, int frameWidth, int frameHeight, double zoom);

// The live record of a completed still shape of the tool with `liveKind`:
// its raw measures, text, colours and the given line width and ordinal, its
// points in frame pixels. Polygons and fold lines keep their vertices and
// then their label anchor last.
CVideoShap LiveShapeOf(const CShape& shape, int liveKind, int ordinal, int lineWidth);

// The shape being placed as the overlay draws it: points in surface (client)
// pixels at the scroll position, measures in frame pixels. `devicePoints`
// says the preview holds content pixels already (the automatic line's guide
// lines) rather than frame pixels.
CInProgressShape InProgressOf(const CShape& preview, int liveKind, QPoint scroll, double zoom,
                              bool devicePoints, int lineWidth);

// The live adjustment rectangle of a drag between two content points, in frame
// pixels counted from the top, normalised and cut to the frame. Empty when
// nothing of the frame is covered.
QRect LiveAdjustRect(QPoint from, QPoint to, double zoom, int frameWidth, int frameHeight);

// The live distance kinds (1, 20, 21) leave their length in the current unit
// as the last line length, for a manual calibration, and return true. Other
// kinds change nothing.
bool RememberLiveLine(const CVideoShap& shape);

// Copies the side × side square of the frame copy centred on `center` (frame
// pixels, y down), moved inside the frame at its edges, into `out` as a
// bottom-up 24-bit picture with rows padded to 4 bytes; the rest stays black.
// False, writing nothing, for an empty frame, a non-positive side or a short
// `out`.
bool FillMagnifierFromFrame(const CStillFrame& frame, QPoint center, int side,
                            std::span<std::uint8_t> out);
