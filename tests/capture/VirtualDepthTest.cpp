#include "capture/VirtualDepth.h"

#include "capture/VirtualMicroscope.h"
#include "capture/VirtualMicroscopeDevice.h"
#include "capture/VirtualPicture.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

std::vector<std::uint8_t> Render(int scene, int focus) {
    VirtualPictureSettings settings;
    settings.scene = scene;
    settings.focus = focus;
    CVirtualPicture picture;
    std::vector<std::uint8_t> bgr;
    picture.Render(kWidth, kHeight, 0, settings, bgr);
    return bgr;
}

int Grey(const std::vector<std::uint8_t>& bgr, int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(y) * kWidth + x) * 3;
    return (bgr[at] + bgr[at + 1] + bgr[at + 2]) / 3;
}

// Mean squared Laplacian over a rectangle: large where the picture is sharp.
double Sharpness(const std::vector<std::uint8_t>& bgr, int x0, int y0, int x1, int y1) {
    double sum = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const int laplacian = 4 * Grey(bgr, x, y) - Grey(bgr, x - 1, y) - Grey(bgr, x + 1, y) -
                                  Grey(bgr, x, y - 1) - Grey(bgr, x, y + 1);
            sum += double(laplacian) * laplacian;
        }
    }
    return sum / ((x1 - x0) * (y1 - y0));
}

// The column where SurfaceHeight equals the focus on row v.
double SharpColumn(int focus, double v) {
    double best = 0;
    double bestError = 1e9;
    for (int x = 0; x < kWidth; ++x) {
        const double error = std::abs(VirtualDepth::SurfaceHeight((x + 0.5) / kWidth, v) - focus);
        if (error < bestError) {
            bestError = error;
            best = x;
        }
    }
    return best;
}

TEST(VirtualDepth, TheSharpBandLiesWhereTheGeometrySaysAndMovesWithFocus) {
    constexpr int kStrip = 20;
    struct Case {
        int focus;
        int row; // a band of rows clear of the disc, the dot and the frame number
    };
    for (const Case c :
         {Case{300, 40}, Case{500, 40}, Case{700, 40}, Case{400, 200}, Case{850, 200}}) {
        const std::vector<std::uint8_t> bgr = Render(VirtualScene::kTiltedSpecimen, c.focus);
        double best = 0;
        int bestStrip = -1;
        double weakest = 1e18;
        for (int strip = 0; strip < kWidth / kStrip; ++strip) {
            const int x0 = std::max(1, strip * kStrip);
            const double sharpness =
                Sharpness(bgr, x0, c.row, std::min(kWidth - 1, x0 + kStrip), c.row + 16);
            weakest = std::min(weakest, sharpness);
            if (sharpness > best) {
                best = sharpness;
                bestStrip = strip;
            }
        }
        const double expected = SharpColumn(c.focus, (c.row + 8.0) / kHeight);
        EXPECT_NEAR((bestStrip + 0.5) * kStrip, expected, 1.5 * kStrip) << "focus " << c.focus;
        EXPECT_GT(best, 8 * weakest) << "only a band is sharp, focus " << c.focus;
    }
}

TEST(VirtualDepth, TheTestCardIsSharpAtItsHeightAndBlursAwayFromIt) {
    // Across the disc's left edge: a step at the default focus, a ramp when defocused.
    const int edge = kWidth / 2 - VirtualPicture::DiscDiameter(kHeight) / 2;
    struct Case {
        int focus;
        bool sharp;
    };
    for (const Case c :
         {Case{VirtualDepth::kTestCardHeight, true}, Case{250, false}, Case{800, false}}) {
        const std::vector<std::uint8_t> bgr = Render(VirtualScene::kTestCard, c.focus);
        int between = 0;
        for (int x = edge - 10; x <= edge + 10; ++x) {
            const int grey = Grey(bgr, x, kHeight / 2);
            between += grey > 70 && grey < 170 ? 1 : 0;
        }
        if (c.sharp) {
            EXPECT_LE(between, 1) << c.focus;
        } else {
            EXPECT_GE(between, 4) << c.focus;
        }
    }
}

TEST(VirtualDepth, TheControlsOfferTheSceneAndTheFocus) {
    CVirtualMicroscopeDevice device;
    std::vector<std::string> names;
    for (const CaptureControl& c : device.Controls()) {
        names.push_back(c.name);
    }
    EXPECT_NE(std::find(names.begin(), names.end(), "Scene"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Focus, Absolute"), names.end());
    ASSERT_TRUE(device.SetControl(VirtualMicroscope::kScene, VirtualScene::kTiltedSpecimen));
    EXPECT_TRUE(device.SetControl(VirtualMicroscope::kFocus, 1000));
    EXPECT_FALSE(device.SetControl(VirtualMicroscope::kFocus, 1001));
}

} // namespace
