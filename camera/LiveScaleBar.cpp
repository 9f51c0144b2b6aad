#include "camera/LiveScaleBar.h"

#include "shapes/ScaleBar.h"

void DrawLiveScaleBar(CDrawContext& dc, const CLiveViewParams& view, int frameWidth,
                      int frameHeight, const CLiveDrawingStyle& style) {
    if (!style.scaleBar || !(view.zoom > 0)) {
        return;
    }
    DrawPictureScaleBar(
        dc, frameWidth, frameHeight, view.zoom, view.scrollX, view.scrollY, style.labels.conversion,
        style.labels.unit,
        CScaleBarStyle{style.lineColor, style.textColor, style.lineWidth, style.labels.textSize});
}
