#include "tests/analysis/FocusTestStacks.h"

#include <gtest/gtest.h>

TEST(HeightMap, ReadsKnownHeightsOnly) {
    CHeightMap map{2, 1, {1.5F, std::numeric_limits<float>::quiet_NaN()}, 1.5, 1.5, ""};
    EXPECT_EQ(HeightAt(map, 0, 0), 1.5);
    EXPECT_FALSE(HeightAt(map, 1, 0));
    EXPECT_FALSE(HeightAt(map, 2, 0));
    EXPECT_FALSE(HeightAt(map, 0, -1));
}

TEST(FocusStack, MergesAsSharpAsTheNearestSliceAndFindsSubSliceHeights) {
    const CSurfaceStack stack = SurfaceStack(8);
    const CFocusStackResult result = Merge(stack.slices);
    ASSERT_EQ(result.error, "");
    const cv::Mat merged = DibToBgr(result.picture);
    const double oracle = Psnr(NearestSliceOracle(stack.slices, stack.depth), stack.sharp);
    const double ours = Psnr(merged, stack.sharp);
    EXPECT_GT(ours, oracle - 0.3) << "oracle " << oracle << " dB";

    double knownShare = 0;
    const double error =
        MeanHeightError(result.heights, stack.depth, Textured(stack.sharp), knownShare);
    EXPECT_LE(error, 0.2);
    EXPECT_GT(knownShare, 0.9);
    EXPECT_EQ(result.heights.unit, "");
    EXPECT_GT(result.heights.low, 0.6 - 0.3);
    EXPECT_LT(result.heights.high, 6.4 + 0.3);
}

TEST(FocusStack, LeavesNoHaloAroundBrightObjectsOverAnUnfocusedGround) {
    // The ground lies six slices below the first: never in focus.
    const CDiscScene scene = DiscScene(Texture(), -6, 4);
    std::vector<cv::Mat> slices;
    for (int k = 0; k < 8; ++k) {
        slices.push_back(scene.Slice(k));
    }
    const CFocusStackResult result = Merge(slices);
    ASSERT_EQ(result.error, "");
    const cv::Mat merged = DibToBgr(result.picture);
    EXPECT_LE(MeanError(merged, scene.Sharp(), scene.Ring(20)), 4.0);

    // The smooth ground has no height: it is marked unknown, not guessed.
    const cv::Mat farGround = (scene.alpha <= 0) & ~scene.Ring(20);
    int known = 0;
    for (int y = 0; y < farGround.rows; ++y) {
        for (int x = 0; x < farGround.cols; ++x) {
            known +=
                farGround.at<std::uint8_t>(y, x) != 0 && HeightAt(result.heights, x, y) ? 1 : 0;
        }
    }
    EXPECT_LT(known, cv::countNonZero(farGround) / 20);
}

TEST(FocusStack, AlignsBreathingAndShiftedSlicesToTheFirst) {
    const CSurfaceStack stack = SurfaceStack(8);
    const double still = InnerPsnr(DibToBgr(Merge(stack.slices).picture), stack.sharp);
    struct Case {
        double scale;
        cv::Point2d shift;
    };
    for (const Case& c : {Case{1.044, {0.5, 0.3}}, Case{0.97, {-0.4, 0}}}) {
        SCOPED_TRACE(testing::Message() << "scale " << c.scale << " shift " << c.shift);
        const CFocusStackResult result = Merge(MovedStack(8, c.scale, c.shift));
        ASSERT_EQ(result.error, "");
        EXPECT_GT(InnerPsnr(DibToBgr(result.picture), stack.sharp), still - 1.5);
        const CSliceAlignment& last = result.alignments.back();
        EXPECT_TRUE(last.aligned);
        EXPECT_NEAR(last.scale, c.scale, 0.005);
        EXPECT_NEAR(last.dx, 7 * c.shift.x, 0.5);
        EXPECT_NEAR(last.dy, 7 * c.shift.y, 0.5);
    }
}

TEST(FocusStack, LeavesAStackThatNeedsNoAlignmentUntouched) {
    const CSurfaceStack stack = SurfaceStack(6);
    const CFocusStackResult aligned = Merge(stack.slices);
    const CFocusStackResult unaligned =
        Merge(stack.slices, {.align = false, .zStep = 0, .unit = {}});
    ASSERT_EQ(aligned.error, "");
    const cv::Mat a = DibToBgr(aligned.picture), b = DibToBgr(unaligned.picture);
    EXPECT_EQ(cv::norm(a, b, cv::NORM_INF), 0);
    for (const CSliceAlignment& alignment : aligned.alignments) {
        EXPECT_TRUE(alignment.aligned);
        EXPECT_EQ(alignment.dx, 0);
        EXPECT_EQ(alignment.scale, 1);
    }
}

TEST(FocusStack, LeavesOutASliceThatCannotBeAligned) {
    CSurfaceStack stack = SurfaceStack(6);
    stack.slices[3] = cv::Mat(stack.sharp.size(), CV_8UC3, cv::Scalar(90, 90, 90));
    const CFocusStackResult result = Merge(stack.slices);
    ASSERT_EQ(result.error, "");
    EXPECT_FALSE(result.alignments[3].aligned);
    EXPECT_NE(result.alignments[3].note, "");
    EXPECT_TRUE(result.alignments[4].aligned);
}

TEST(FocusStack, ReportsBadSeriesAndCancels) {
    const CSurfaceStack stack = SurfaceStack(3);
    cv::Mat smaller;
    cv::resize(stack.slices[2], smaller, cv::Size(kWidth / 2, kHeight / 2));
    struct Case {
        const char* what;
        std::vector<cv::Mat> slices;
        const char* error;
    };
    for (const Case& c :
         {Case{"one picture", {stack.slices[0]}, "at least two"},
          Case{"another size",
               {stack.slices[0], stack.slices[1], smaller},
               "Picture 3: 160 x 112 pixels, not 320 x 224"},
          Case{"unreadable", {stack.slices[0], cv::Mat()}, "Picture 2: cannot be read"}}) {
        SCOPED_TRACE(c.what);
        EXPECT_NE(Merge(c.slices).error.find(c.error), std::string::npos) << Merge(c.slices).error;
    }
    const auto source = [&stack](int index, CDib& picture, std::string&) {
        picture = BgrToDib(stack.slices[static_cast<std::size_t>(index)]);
        return true;
    };
    int calls = 0;
    const CFocusStackResult cancelled =
        FocusStack(3, source, {}, [&calls](int) { return ++calls < 3; });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_FALSE(cancelled.picture.IsValid());
}

TEST(FocusStack, KeepsTheFirstPicturesScaleAndGivesHeightsInTheUnit) {
    const CSurfaceStack stack = SurfaceStack(4);
    const CPictureScale scale{1234.5, "um", "Objective 10x"};
    const auto source = [&stack, &scale](int index, CDib& picture, std::string&) {
        picture = BgrToDib(stack.slices[static_cast<std::size_t>(index)]);
        if (index == 0) {
            picture.SetScale(scale);
        }
        return true;
    };
    const CFocusStackResult inSlices = FocusStack(4, source, {});
    const CFocusStackResult inUnit =
        FocusStack(4, source, {.align = true, .zStep = 2.5, .unit = "um"});
    EXPECT_EQ(inUnit.picture.Scale(), scale);
    EXPECT_EQ(inUnit.heights.unit, "um");
    EXPECT_DOUBLE_EQ(inUnit.heights.high, 2.5 * inSlices.heights.high);
    const auto h = HeightAt(inSlices.heights, kWidth / 2, kHeight / 2);
    ASSERT_TRUE(h);
    EXPECT_FLOAT_EQ(static_cast<float>(*HeightAt(inUnit.heights, kWidth / 2, kHeight / 2)),
                    static_cast<float>(2.5 * *h));
}
