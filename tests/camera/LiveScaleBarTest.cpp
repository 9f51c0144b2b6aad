#include "camera/LiveScaleBar.h"

#include "calibration/Calibration.h"
#include "core/Parameters.h"
#include "framework/RecordingDrawContext.h"

#include <gtest/gtest.h>

namespace {

// The bar over the live frame: only with the setting on, at the corner of the
// zoomed frame, moved with the scroll position as the live shapes are.
TEST(LiveScaleBar, FollowsTheSettingTheZoomAndTheScroll) {
    g_parameters = CParameters{};
    g_calibration = CCurrentCalibration{};
    CLiveViewParams view;
    CRecordingDrawContext off;
    DrawLiveScaleBar(off, view, 1280, 720, CurrentLiveDrawingStyle());
    EXPECT_TRUE(off.Records().empty());

    g_parameters.scalebar = 1;
    const auto bar = [](const CLiveViewParams& params) {
        CRecordingDrawContext dc;
        DrawLiveScaleBar(dc, params, 1280, 720, CurrentLiveDrawingStyle());
        EXPECT_EQ(dc.SavedDepth(), 0);
        const auto lines = dc.Calls(DrawCall::LineTo);
        EXPECT_EQ(lines.size(), 6u);
        EXPECT_EQ(dc.Texts().back(), QStringLiteral("50mm")); // a fifth is 42.7 mm
        return lines.empty() ? std::make_pair(QPoint(), QPoint())
                             : std::make_pair(lines[3].from, lines[3].point);
    };
    const auto [left, right] = bar(view);
    EXPECT_EQ(right.x() - left.x(), 300);
    EXPECT_GT(right.x(), 1280 - 30);
    EXPECT_GT(right.y(), 720 - 30);

    view.zoom = 0.5;
    view.scrollX = 40;
    view.scrollY = 10;
    const auto [zoomedLeft, zoomedRight] = bar(view);
    EXPECT_EQ(zoomedRight.x() - zoomedLeft.x(), 150);
    // Half the margin-shifted corner: the margin itself does not scale.
    EXPECT_EQ(zoomedRight, right / 2 - QPoint(7, 7) - QPoint(40, 10));
    g_parameters = CParameters{};
}

} // namespace
