#include "capture/FrameConverter.h"

#include "capture/VirtualMicroscope.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameConverter, PackedYuvAndRgbBecomeBottomUpBgr) {
    // Two rows of two pixels: top row white, bottom row black.
    const std::vector<std::uint8_t> yuyv{235, 128, 235, 128, 16, 128, 16, 128};
    CFrameConverter converter;
    std::vector<std::uint8_t> bgr;
    std::string error;
    ASSERT_TRUE(converter.ToBgr(Fourcc::kYUYV, yuyv, 2, 2, bgr, error)) << error;
    ASSERT_EQ(bgr.size(), 16u) << "two rows of 8 bytes";
    EXPECT_NEAR(bgr[0], 0, 2) << "the first stored row is the bottom (black) row";
    EXPECT_NEAR(bgr[8], 255, 2);

    // Pure red in UYVY order.
    const std::vector<std::uint8_t> uyvy{90, 81, 240, 81};
    ASSERT_TRUE(converter.ToBgr(Fourcc::kUYVY, uyvy, 2, 1, bgr, error)) << error;
    EXPECT_NEAR(bgr[2], 255, 2);
    EXPECT_NEAR(bgr[1], 0, 2);
    EXPECT_NEAR(bgr[0], 0, 2);

    // 32-bit pixels lose their fourth byte; 16-bit ones widen their fields.
    const std::vector<std::uint8_t> xbgr{1, 2, 3, 99};
    ASSERT_TRUE(converter.ToBgr(Fourcc::kXBGR32, xbgr, 1, 1, bgr, error)) << error;
    EXPECT_EQ((std::vector<std::uint8_t>(bgr.begin(), bgr.begin() + 3)),
              (std::vector<std::uint8_t>{1, 2, 3}));
    const std::vector<std::uint8_t> rgb565{0x00, 0xF8}; // pure red
    ASSERT_TRUE(converter.ToBgr(Fourcc::kRGB565, rgb565, 1, 1, bgr, error)) << error;
    EXPECT_EQ((std::vector<std::uint8_t>(bgr.begin(), bgr.begin() + 3)),
              (std::vector<std::uint8_t>{0, 0, 255}));
}

TEST(FrameConverter, RefusesBadFramesWithAReason) {
    CFrameConverter converter;
    std::vector<std::uint8_t> bgr;
    std::string error;
    const struct {
        std::uint32_t fourcc;
        std::size_t bytes;
        int width;
        int height;
        const char* reason;
    } cases[] = {
        {Fourcc::kYUYV, 15, 4, 2, "shorter than its format"},
        {Fourcc::kYUYV, 12, 3, 2, "even width"},
        {Fourcc::kBGR24, 23, 4, 2, "shorter than its format"},
        {Fourcc::kPAL8, 8, 4, 2, "cannot be shown"},
        {Fourcc::kYUYV, 8, 0, 2, "no usable size"},
        {Fourcc::kMJPG, 0, 4, 2, "not a whole JPEG"},
    };
    for (const auto& c : cases) {
        error.clear();
        EXPECT_FALSE(converter.ToBgr(c.fourcc, std::vector<std::uint8_t>(c.bytes), c.width,
                                     c.height, bgr, error))
            << c.reason;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }

    std::vector<std::uint8_t> jpeg =
        VirtualMicroscopeWireFrame({Fourcc::kMJPG, 640, 480, {1, 30}}, 3);
    EXPECT_FALSE(converter.ToBgr(Fourcc::kMJPG, jpeg, 1280, 720, bgr, error));
    EXPECT_NE(error.find("size differs"), std::string::npos) << error;
    jpeg.resize(20);
    EXPECT_FALSE(converter.ToBgr(Fourcc::kMJPG, jpeg, 640, 480, bgr, error));
    EXPECT_NE(error.find("not a whole JPEG"), std::string::npos) << error;
}

// A cut-off frame decodes only with a warning: refused, unless the camera
// sends nothing else for half a second; a good frame ends such a run.
TEST(FrameConverter, WarningFramesAreRefusedUntilTheyAreTheCamerasHabit) {
    const std::vector<std::uint8_t> good =
        VirtualMicroscopeWireFrame({Fourcc::kMJPG, 640, 480, {1, 30}}, 3);
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + good.size() / 2);
    cut.push_back(0xFF);
    cut.push_back(0xD9);
    CFrameConverter converter;
    std::vector<std::uint8_t> bgr;
    std::string error;
    for (int run = 1; run < 15; ++run) {
        EXPECT_FALSE(converter.ToBgr(Fourcc::kMJPG, cut, 640, 480, bgr, error)) << run;
    }
    EXPECT_TRUE(converter.ToBgr(Fourcc::kMJPG, cut, 640, 480, bgr, error)) << error;
    EXPECT_TRUE(converter.ToBgr(Fourcc::kMJPG, good, 640, 480, bgr, error)) << error;
    EXPECT_FALSE(converter.ToBgr(Fourcc::kMJPG, cut, 640, 480, bgr, error));

    // Padding after the end marker, as cameras leave it in their buffers.
    std::vector<std::uint8_t> padded = good;
    padded.resize(good.size() + 4096, 0);
    EXPECT_TRUE(converter.ToBgr(Fourcc::kMJPG, padded, 640, 480, bgr, error)) << error;
}

} // namespace
