#pragma once

#include "camera/LiveOverlay.h"
#include "framework/DrawContext.h"

// The scale bar over the live picture, while the scale bar setting is on: at
// the bottom-right corner of the frame zoomed by view.zoom, moved by the
// scroll position as the shapes are. Measured and drawn in the overlay's
// style, as the live labels are. Runs on the streaming thread like the rest
// of the overlay.
void DrawLiveScaleBar(CDrawContext& dc, const CLiveViewParams& view, int frameWidth,
                      int frameHeight, const CLiveDrawingStyle& style);
