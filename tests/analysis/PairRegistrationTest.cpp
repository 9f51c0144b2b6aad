#include "analysis/mosaic/PairRegistration.h"

#include <gtest/gtest.h>

namespace {

TEST(PairRegistration, BlankPicturesHaveNoShift) {
    const cv::Mat blank(64, 64, CV_8U, cv::Scalar(128));
    EXPECT_FALSE(RegisterPair(blank, blank).found);
}

} // namespace
