#include "analysis/mosaic/PairRegistration.h"

#include "MosaicPictures.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace {

cv::Mat Grey(const cv::Mat& bgr) {
    cv::Mat grey;
    cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
    return grey;
}

TEST(PairRegistration, BlankPicturesHaveNoShift) {
    const cv::Mat blank(64, 64, CV_8U, cv::Scalar(128));
    EXPECT_FALSE(RegisterPair(blank, blank).found);
}

struct ShiftCase {
    const char* name;
    cv::Point2d shift;
    double exposureB;
    double vignetting;
};

// Each direction of overlap (the phase surface wraps, so negative and large
// shifts are the ones a wrong reading of it gets wrong), sub-pixel offsets,
// and the exposure and vignetting differences real tiles have.
TEST(PairRegistration, FindsTheShiftToASmallFractionOfAPixel) {
    const cv::Mat scene = NaturalScene({900, 700}, 3);
    const cv::Size size(320, 240);
    const ShiftCase cases[] = {
        {"right", {250.3, 4.6}, 1, 0},
        {"left", {-240.75, -3.2}, 1, 0},
        {"below", {-6.5, 190.1}, 1, 0},
        {"above-right", {120.4, -150.9}, 1, 0},
        {"darker, vignetted", {230.2, 20.7}, 0.8, 0.25},
    };
    const cv::Point2d origin(300, 260);
    for (const ShiftCase& c : cases) {
        SCOPED_TRACE(c.name);
        const cv::Mat a = Grey(CutTile(scene, {origin, 1}, size, c.vignetting, 2, 1));
        const cv::Mat b =
            Grey(CutTile(scene, {origin + c.shift, c.exposureB}, size, c.vignetting, 2, 2));
        const CPairShift found = RegisterPair(a, b);
        ASSERT_TRUE(found.found);
        EXPECT_NEAR(found.dx, c.shift.x, 0.1);
        EXPECT_NEAR(found.dy, c.shift.y, 0.1);
        EXPECT_GT(found.score, 0.9);
        const CPairShift near = RegisterPair(a, b, c.shift + cv::Point2d(3, -2), 6);
        ASSERT_TRUE(near.found);
        EXPECT_NEAR(near.dx, c.shift.x, 0.1);
        EXPECT_NEAR(near.dy, c.shift.y, 0.1);
    }
}

TEST(PairRegistration, UnrelatedPicturesCorrelatePoorly) {
    const cv::Mat a = Grey(NaturalScene({320, 240}, 5));
    const cv::Mat b = Grey(NaturalScene({320, 240}, 6));
    const CPairShift found = RegisterPair(a, b);
    EXPECT_LT(found.score, 0.4);
}

} // namespace
