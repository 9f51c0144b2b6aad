#include "camera/LiveMeasuring.h"

#include "tests/camera/FrameTestSupport.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

CStillFrame CopyOf(const CTestFrame& picture) {
    CStillFrame frame;
    frame.bgr = picture.bytes;
    frame.width = picture.width;
    frame.height = picture.height;
    frame.stride = picture.stride;
    return frame;
}

TEST(LiveAdjustRect, NormalisesTheDragAndCutsItToTheFrame) {
    // Dragged up and left at zoom 2: frame pixels, rows from the top.
    EXPECT_EQ(LiveAdjustRect({200, 120}, {40, 20}, 2.0, 640, 480),
              QRect(QPoint(20, 10), QPoint(100, 60)));
    // Beyond the frame: cut to its last row and column.
    EXPECT_EQ(LiveAdjustRect({600, 400}, {700, 500}, 1.0, 640, 480),
              QRect(QPoint(600, 400), QPoint(639, 479)));
    // A click is no selection, nor is a frame without pixels.
    EXPECT_FALSE(LiveAdjustRect({50, 50}, {50, 51}, 1.0, 640, 480).isValid());
    EXPECT_FALSE(LiveAdjustRect({0, 0}, {50, 50}, 1.0, 0, 0).isValid());
}

TEST(FillMagnifierFromFrame, CopiesTheSquareBottomUpAndStaysInsideTheFrame) {
    const CTestFrame picture(64, 48);
    const CStillFrame frame = CopyOf(picture);
    constexpr int kSide = 10;
    constexpr std::size_t kStride = 32; // 30 bytes padded to 4
    std::vector<std::uint8_t> out(kStride * kSide, 0xAB);

    // Centred near the top-left corner: moved to (0, 0).
    ASSERT_TRUE(FillMagnifierFromFrame(frame, {2, 1}, kSide, out));
    // The square's top row is its last stored row; the frame's top row is
    // its last stored row too.
    const std::uint8_t* frameTop = picture.bytes.data() + 47 * picture.stride;
    EXPECT_TRUE(std::equal(frameTop, frameTop + 30, out.data() + 9 * kStride));
    EXPECT_EQ(out[30], 0); // the padding is cleared

    // Near the bottom-right corner: the square ends at the frame's edge.
    ASSERT_TRUE(FillMagnifierFromFrame(frame, {63, 47}, kSide, out));
    const std::uint8_t* frameBottom = picture.bytes.data() + 54 * 3;
    EXPECT_TRUE(std::equal(frameBottom, frameBottom + 30, out.data()));

    // Hostile sizes write nothing.
    std::vector<std::uint8_t> shortOut(kStride * kSide - 1, 0xAB);
    EXPECT_FALSE(FillMagnifierFromFrame(frame, {10, 10}, kSide, shortOut));
    EXPECT_EQ(shortOut[0], 0xAB);
    CStillFrame truncated = frame;
    truncated.bgr.resize(100);
    EXPECT_FALSE(FillMagnifierFromFrame(truncated, {10, 10}, kSide, out));
    EXPECT_FALSE(FillMagnifierFromFrame(frame, {10, 10}, 0, out));
}

TEST(FillMagnifierFromFrame, AFrameSmallerThanTheSquareLeavesTheRestBlack) {
    const CTestFrame picture(4, 3);
    std::vector<std::uint8_t> out(32 * 10, 0xAB);
    ASSERT_TRUE(FillMagnifierFromFrame(CopyOf(picture), {2, 1}, 10, out));
    const std::uint8_t* frameTop = picture.bytes.data() + 2 * picture.stride;
    EXPECT_TRUE(std::equal(frameTop, frameTop + 12, out.data() + 9 * 32));
    EXPECT_EQ(out[9 * 32 + 12], 0);
    EXPECT_EQ(out[0], 0);
}

} // namespace
