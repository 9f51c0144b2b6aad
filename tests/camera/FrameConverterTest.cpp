#include "capture/FrameConverter.h"

#include "capture/VirtualMicroscope.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameConverter, PackedYuvBecomesBottomUpBgr) {
    // Two rows of three pixels (odd width: the last pair is half used):
    // top row white, bottom row black.
    const std::vector<std::uint8_t> yuyv{235, 128, 235, 128, 235, 128, 235, 128,
                                         16,  128, 16,  128, 16,  128, 16,  128};
    CFrameConverter converter;
    std::vector<std::uint8_t> bgr;
    std::string error;
    ASSERT_TRUE(converter.ToBgr(Fourcc::kYUYV, yuyv, 3, 2, bgr, error)) << error;
    ASSERT_EQ(bgr.size(), 24u) << "two rows of 12 bytes";
    EXPECT_EQ(bgr[0], 0) << "the first stored row is the bottom (black) row";
    EXPECT_EQ(bgr[12], 255);
    EXPECT_EQ(bgr[12 + 8], 255) << "the odd last pixel";

    // Pure red in UYVY order.
    const std::vector<std::uint8_t> uyvy{90, 81, 240, 81};
    ASSERT_TRUE(converter.ToBgr(Fourcc::kUYVY, uyvy, 2, 1, bgr, error)) << error;
    EXPECT_NEAR(bgr[2], 255, 2);
    EXPECT_NEAR(bgr[1], 0, 2);
    EXPECT_NEAR(bgr[0], 0, 2);
}

TEST(FrameConverter, RefusesBadFramesWithAReason) {
    CFrameConverter converter;
    std::vector<std::uint8_t> bgr;
    std::string error;
    EXPECT_FALSE(converter.ToBgr(Fourcc::kYUYV, std::vector<std::uint8_t>(15), 4, 2, bgr, error));
    EXPECT_EQ(error, "short frame");
    EXPECT_FALSE(converter.ToBgr(Fourcc::kPAL8, std::vector<std::uint8_t>(8), 4, 2, bgr, error));
    EXPECT_FALSE(converter.ToBgr(Fourcc::kYUYV, std::vector<std::uint8_t>(8), 0, 2, bgr, error));
    EXPECT_FALSE(converter.ToBgr(Fourcc::kMJPG, {}, 4, 2, bgr, error));

    std::vector<std::uint8_t> jpeg =
        VirtualMicroscopeWireFrame({Fourcc::kMJPG, 640, 480, {1, 30}}, 3);
    EXPECT_FALSE(converter.ToBgr(Fourcc::kMJPG, jpeg, 1280, 720, bgr, error));
    EXPECT_EQ(error, "JPEG frame of another size");
    jpeg.resize(jpeg.size() / 2);
    // A cut-off frame is a warning for the decoder: it still gives a picture.
    EXPECT_TRUE(converter.ToBgr(Fourcc::kMJPG, jpeg, 640, 480, bgr, error));
    jpeg.resize(20);
    EXPECT_FALSE(converter.ToBgr(Fourcc::kMJPG, jpeg, 640, 480, bgr, error));
    EXPECT_NE(error.find("broken JPEG"), std::string::npos) << error;
}

} // namespace
