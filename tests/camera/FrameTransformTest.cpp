#include "camera/FrameTransform.h"

#include "tests/camera/FrameTestSupport.h"

#include <gtest/gtest.h>

namespace {

void ExpectPaddingUntouched(const CTestFrame& frame, const std::vector<std::uint8_t>& bytes) {
    for (int row = 0; row < frame.height; ++row) {
        for (int i = frame.width * 3; i < frame.stride; ++i) {
            ASSERT_EQ(bytes[static_cast<std::size_t>(row) * frame.stride + i], kPaddingByte)
                << "row " << row << " byte " << i;
        }
    }
}

class FrameTransformTest : public ::testing::TestWithParam<std::pair<int, int>> {};

// Odd widths carry row padding (638 × 3 and 1366 × 3 are not multiples of 4;
// 5 and 7 are the smallest such); odd heights have a middle row that turns
// onto itself.
INSTANTIATE_TEST_SUITE_P(Sizes, FrameTransformTest,
                         ::testing::Values(std::pair{8, 4}, std::pair{5, 3}, std::pair{7, 6},
                                           std::pair{638, 11}, std::pair{1366, 5},
                                           std::pair{1, 1}));

TEST_P(FrameTransformTest, MirrorReversesEveryRowAndKeepsPadding) {
    const auto [w, h] = GetParam();
    const CTestFrame original(w, h);
    CTestFrame frame(w, h);
    MirrorFrame(frame.bytes.data(), w, h, frame.stride);
    for (int row = 0; row < h; ++row) {
        for (int x = 0; x < w; ++x) {
            ASSERT_EQ(frame.Pixel(frame.bytes.data(), x, row),
                      original.Pixel(original.bytes.data(), w - 1 - x, row));
        }
    }
    ExpectPaddingUntouched(frame, frame.bytes);
}

TEST_P(FrameTransformTest, RotateIsAHalfTurnAndKeepsPadding) {
    const auto [w, h] = GetParam();
    const CTestFrame original(w, h);
    CTestFrame frame(w, h);
    RotateFrame(frame.bytes.data(), w, h, frame.stride);
    for (int row = 0; row < h; ++row) {
        for (int x = 0; x < w; ++x) {
            ASSERT_EQ(frame.Pixel(frame.bytes.data(), x, row),
                      original.Pixel(original.bytes.data(), w - 1 - x, h - 1 - row));
        }
    }
    ExpectPaddingUntouched(frame, frame.bytes);
}

TEST_P(FrameTransformTest, MirrorThenRotateIsAVerticalFlip) {
    const auto [w, h] = GetParam();
    const CTestFrame original(w, h);
    CTestFrame frame(w, h);
    MirrorFrame(frame.bytes.data(), w, h, frame.stride);
    RotateFrame(frame.bytes.data(), w, h, frame.stride);
    std::vector<std::uint8_t> flipped(frame.bytes.size(), kPaddingByte);
    CopyRowsFlipped(original.bytes.data(), original.stride, flipped.data(), frame.stride, w, h);
    EXPECT_EQ(frame.bytes, flipped);

    CTestFrame turned(w, h);
    TurnFrame(turned.bytes.data(), w, h, turned.stride, true, true);
    EXPECT_EQ(turned.bytes, flipped);
}

} // namespace
