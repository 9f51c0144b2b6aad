#pragma once

#include "camera/LiveOverlay.h"
#include "camera/VideoShape.h"
#include "framework/DrawContext.h"

#include <optional>
#include <span>

class CShape;

// The overlay of the live picture, drawn with the still shapes' figures and
// labels in the style it is handed. Every function leaves the context's
// selection as it found it and reads or changes no process-wide state, so it
// may run on the streaming thread.

// The live record of a completed still shape, its points taken as frame
// pixels: the kind the same tool makes live, the measures, style and text.
// nullopt for a shape no live tool makes.
std::optional<CVideoShap> LiveShapeOf(const CShape& shape);

// The overlay font: Arial at the given text height.
CLogFont LiveOverlayFont(int textSize);

// Paints every live shape in list order: a point (x, y) in frame pixels lands
// on (trunc(scale × x + 0.5) − offsetX, trunc(scale × y + 0.5) − offsetY).
// Square and circular marks are 20 × 20 with their number centred on them.
void DrawLiveShapes(CDrawContext& dc, std::span<const CVideoShap> shapes, double scale, int offsetX,
                    int offsetY, const CLiveDrawingStyle& style);

// The in-progress shape: its figure as far as it is placed, in surface pixels,
// and the length label of a distance at its third point once there is one.
void DrawInProgressShape(CDrawContext& dc, const CInProgressShape& shape,
                         const CLiveViewParams& view, const CLiveDrawingStyle& style);

// Single pixels across the zoomed frame at the crosshair position, when on,
// in the style's line colour.
void DrawCrosshair(CDrawContext& dc, const CLiveViewParams& view, int frameWidth, int frameHeight,
                   const CLiveDrawingStyle& style);

// The notice in green at (3, 5), when not empty.
void DrawRecordingNotice(CDrawContext& dc, const CLiveViewParams& view,
                         const CLiveDrawingStyle& style);
