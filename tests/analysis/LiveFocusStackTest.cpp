#include "analysis/focus/LiveFocusStack.h"

#include "tests/analysis/FocusTestStacks.h"

#include <gtest/gtest.h>

namespace {

CLiveFocusStack Sweep(const std::vector<cv::Mat>& frames, double zStep = 1,
                      const std::vector<double>& zs = {}) {
    CLiveFocusStack live(zStep, zs.empty() ? std::string() : std::string("um"));
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const std::optional<double> z = zs.empty() ? std::nullopt : std::optional(zs[k]);
        EXPECT_TRUE(live.Add(BgrToDib(frames[k]), z)) << live.Reason();
    }
    return live;
}

} // namespace

TEST(LiveFocusStack, FusesASweepNearlyAsWellAsTheStillStack) {
    const CSurfaceStack stack = SurfaceStack(8);
    const CLiveFocusStack live = Sweep(stack.slices);
    EXPECT_EQ(live.Frames(), 8);
    const double still = Psnr(DibToBgr(Merge(stack.slices).picture), stack.sharp);
    const double swept = Psnr(DibToBgr(live.Picture()), stack.sharp);
    EXPECT_GT(swept, still - 2.0);
    double bestSlice = 0;
    for (const cv::Mat& slice : stack.slices) {
        bestSlice = std::max(bestSlice, Psnr(slice, stack.sharp));
    }
    EXPECT_GT(swept, bestSlice + 3);

    double knownShare = 0;
    const CHeightMap heights = live.Heights();
    EXPECT_LE(MeanHeightError(heights, stack.depth, Textured(stack.sharp), knownShare), 0.3);
    EXPECT_GT(knownShare, 0.8);
}

TEST(LiveFocusStack, TakesHeightsFromTheFocusPositionsGiven) {
    const CSurfaceStack stack = SurfaceStack(6);
    // The focus control at 100, 104, ... µm.
    std::vector<double> zs;
    for (int k = 0; k < 6; ++k) {
        zs.push_back(100 + 4.0 * k);
    }
    const CHeightMap heights = Sweep(stack.slices, 1, zs).Heights();
    EXPECT_EQ(heights.unit, "um");
    EXPECT_GE(heights.low, 100);
    EXPECT_LE(heights.high, 120);
    const cv::Mat depthInUm = stack.depth * 4 + 100;
    double knownShare = 0;
    EXPECT_LE(MeanHeightError(heights, depthInUm, Textured(stack.sharp), knownShare), 4 * 0.3);
}

TEST(LiveFocusStack, AlignsDriftingFramesAndRefusesOthers) {
    const CSurfaceStack stack = SurfaceStack(8);
    const double still = InnerPsnr(DibToBgr(Sweep(stack.slices).Picture()), stack.sharp);
    const CLiveFocusStack drifting = Sweep(MovedStack(8, 1.02, {0.5, -0.3}));
    // Matched frame by frame, without a whole series to even out errors.
    EXPECT_GT(InnerPsnr(DibToBgr(drifting.Picture()), stack.sharp), still - 2.5);

    CLiveFocusStack live;
    ASSERT_TRUE(live.Add(BgrToDib(stack.slices[0]), std::nullopt));
    cv::Mat smaller;
    cv::resize(stack.slices[1], smaller, cv::Size(kWidth / 2, kHeight / 2));
    EXPECT_FALSE(live.Add(BgrToDib(smaller), std::nullopt));
    EXPECT_NE(live.Reason(), "");
    EXPECT_FALSE(live.Add(CDib(), std::nullopt));
    EXPECT_EQ(live.Frames(), 1);
    EXPECT_TRUE(live.Add(BgrToDib(stack.slices[1]), std::nullopt));
    EXPECT_EQ(live.Reason(), "");
}
