#include "shapes/ScaleBar.h"
#include "tests/tools/ViewTestSupport.h"

namespace {

// The longest run of red (the default line colour) on the rows around `y`.
int RedRunAround(const QImage& shown, int y) {
    int best = 0;
    for (int row = std::max(0, y - 1); row <= std::min(shown.height() - 1, y + 1); ++row) {
        int run = 0;
        for (int x = 0; x < shown.width(); ++x) {
            run = shown.pixel(x, row) == qRgb(255, 0, 0) ? run + 1 : 0;
            best = std::max(best, run);
        }
    }
    return best;
}

TEST_F(ViewTest, TheScaleBarFollowsTheSettingTheZoomAndTheCalibration) {
    ASSERT_TRUE(Open(FlatPicture(400, 300, {200, 200, 200})));
    const auto shown = [this] {
        Viewport()->update();
        QApplication::processEvents();
        return Viewport()->grab().toImage();
    };
    // The bar's length and row at the bottom-right of the zoomed picture.
    const auto expected = [](double zoom) {
        const double pixels =
            ChooseScaleBarLength(400, CurrentConversion(), g_calibration.unit)->pixels * zoom;
        const auto placement =
            PlaceScaleBar(pixels, static_cast<int>(400 * zoom + 0.5),
                          static_cast<int>(300 * zoom + 0.5), CScaleBarStyle::FromSettings());
        return std::make_pair(static_cast<int>(std::lround(pixels)), placement->y);
    };
    auto [length, row] = expected(1.0);
    EXPECT_EQ(length, 60); // 10 mm at 60 px/cm
    EXPECT_EQ(RedRunAround(shown(), row), 0) << "off by default";

    g_parameters.scalebar = 1;
    EXPECT_NEAR(RedRunAround(shown(), row), length + 1, 2);

    Command(ID_ZOOM_OUT);
    Command(ID_ZOOM_OUT);
    const double zoom = Model().Zoom().zoom;
    ASSERT_LT(zoom, 1.0);
    std::tie(length, row) = expected(zoom);
    EXPECT_NEAR(RedRunAround(shown(), row), length + 1, 2);

    // A finer calibration: 10 mm would be 150 pixels, so 5 mm (75) is shown.
    Command(ID_ZOOM_NORMAL);
    g_calibration.scale = 150;
    std::tie(length, row) = expected(1.0);
    EXPECT_EQ(length, 75);
    EXPECT_NEAR(RedRunAround(shown(), row), length + 1, 2);

    g_parameters.scalebar = 0;
    EXPECT_EQ(RedRunAround(shown(), row), 0);
}

} // namespace
