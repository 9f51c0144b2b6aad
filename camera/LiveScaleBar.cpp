#include "camera/LiveScaleBar.h"

#include "core/Parameters.h"
#include "shapes/ScaleBar.h"

void DrawLiveScaleBar(CDrawContext& dc, const CLiveViewParams& view, int frameWidth,
                      int frameHeight) {
    if (g_parameters.scalebar == 0 || !(view.zoom > 0)) {
        return;
    }
    DrawPictureScaleBar(dc, frameWidth, frameHeight, view.zoom, view.scrollX, view.scrollY,
                        CurrentConversion(), g_calibration.unit, CScaleBarStyle::FromSettings());
}
