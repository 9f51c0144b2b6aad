#include "capture/VirtualMicroscope.h"

#include "capture/FrameConverter.h"
#include "capture/VirtualMicroscopeDevice.h"
#include "capture/VirtualPicture.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace {

// A delivered frame, read with y growing downwards.
struct Picture {
    std::vector<std::uint8_t> bgr;
    int width = 0;
    int height = 0;
    int Grey(int x, int y) const {
        const std::size_t at = static_cast<std::size_t>(height - 1 - y) * BgrStride(width) +
                               static_cast<std::size_t>(x) * 3;
        return (bgr[at] + bgr[at + 1] + bgr[at + 2]) / 3;
    }
};

Picture Deliver(const CaptureFormat& format, std::uint64_t index,
                const VirtualPictureSettings& settings = {}) {
    CVirtualWire wire;
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(wire.Make(format, index, settings, bytes));
    Picture picture{{}, format.width, format.height};
    CFrameConverter converter;
    std::string error;
    EXPECT_TRUE(
        converter.ToBgr(format.fourcc, bytes, format.width, format.height, picture.bgr, error))
        << error;
    return picture;
}

class VirtualPictureAtEverySize : public ::testing::TestWithParam<CaptureFormat> {};

TEST_P(VirtualPictureAtEverySize, ShowsBackgroundDiscScaleNumberAndMotion) {
    const CaptureFormat format = GetParam();
    const int w = format.width;
    const int h = format.height;
    const Picture frame = Deliver(format, 7);

    for (auto [fx, fy] :
         {std::pair{0.9, 0.5}, std::pair{0.1, 0.5}, std::pair{0.5, 0.95}, std::pair{0.7, 0.15}}) {
        EXPECT_GE(frame.Grey(static_cast<int>(w * fx), static_cast<int>(h * fy)), 180)
            << fx << "," << fy;
    }

    // The disc: its dark run across the middle row is height / 4 wide.
    const int diameter = static_cast<int>(std::lround(h / 4.0));
    EXPECT_LE(frame.Grey(w / 2, h / 2), 60);
    int run = 0;
    for (int x = 0; x < w; ++x) {
        run += frame.Grey(x, h / 2) < 123 ? 1 : 0;
    }
    EXPECT_NEAR(run, diameter, 1);
    EXPECT_LE(frame.Grey(w / 2 - diameter / 2 + 3, h / 2), 60);
    EXPECT_GE(frame.Grey(w / 2 + diameter / 2 + 6, h / 2), 180);

    // The scale: a dark tick every twentieth of the width, light between them.
    const int tickRow = VirtualPicture::TickLength(h) / 2 + 2;
    for (int k = 1; k < 20; ++k) {
        const int x = static_cast<int>(std::lround(k * w / 20.0));
        EXPECT_LE(std::min({frame.Grey(x - 1, tickRow), frame.Grey(x, tickRow)}), 60) << k;
        EXPECT_GE(frame.Grey(static_cast<int>(std::lround((k + 0.5) * w / 20.0)), tickRow), 180)
            << k;
    }
    EXPECT_LE(frame.Grey(w / 3, 0), 60) << "the scale's base line";

    // The frame number sits in the bottom-left corner and changes the picture.
    const int scale = VirtualPicture::DigitScale(h);
    int dark = 0;
    for (int y = h - 12 * scale; y < h; ++y) {
        for (int x = 0; x < 12 * scale; ++x) {
            dark += frame.Grey(x, y) <= 60 ? 1 : 0;
        }
    }
    EXPECT_GT(dark, scale * scale * 5) << "the digit 7 is drawn";

    const Picture next = Deliver(format, 8);
    EXPECT_NE(frame.bgr, next.bgr);
}

INSTANTIATE_TEST_SUITE_P(, VirtualPictureAtEverySize,
                         ::testing::Values(CaptureFormat{Fourcc::kMJPG, 640, 480, {1, 30}},
                                           CaptureFormat{Fourcc::kYUYV, 640, 480, {1, 30}},
                                           CaptureFormat{Fourcc::kMJPG, 1280, 720, {1, 30}},
                                           CaptureFormat{Fourcc::kMJPG, 1920, 1080, {1, 30}},
                                           CaptureFormat{Fourcc::kYUYV, 1920, 1080, {1, 5}},
                                           CaptureFormat{Fourcc::kMJPG, 2592, 1944, {1, 5}}));

TEST(VirtualMicroscope, BrightnessAndContrastChangeThePicture) {
    const CaptureFormat format{Fourcc::kYUYV, 640, 480, {1, 30}};
    VirtualPictureSettings settings;
    settings.brightness = -64;
    const Picture darker = Deliver(format, 0, settings);
    EXPECT_NEAR(darker.Grey(60, 240), 215 - 64, 3);
    settings = {};
    settings.contrast = 0;
    const Picture flat = Deliver(format, 0, settings);
    EXPECT_NEAR(flat.Grey(60, 240), 128, 3);
    EXPECT_NEAR(flat.Grey(320, 240), 128, 3);
}

TEST(VirtualMicroscope, ControlsKeepTheirRangesAndAutoExposureDisablesTheManualValue) {
    CVirtualMicroscopeDevice device;
    auto find = [&device](std::uint32_t id) {
        for (const CaptureControl& c : device.Controls()) {
            if (c.id == id) {
                return c;
            }
        }
        return CaptureControl{};
    };
    EXPECT_TRUE(find(VirtualMicroscope::kExposure).inactive);
    EXPECT_FALSE(device.SetControl(VirtualMicroscope::kExposure, 300));
    EXPECT_FALSE(device.SetControl(VirtualMicroscope::kExposureAuto, 2)) << "not a menu item";
    ASSERT_TRUE(device.SetControl(VirtualMicroscope::kExposureAuto, 1));
    EXPECT_FALSE(find(VirtualMicroscope::kExposure).inactive);
    EXPECT_TRUE(device.SetControl(VirtualMicroscope::kExposure, 300));
    EXPECT_FALSE(device.SetControl(VirtualMicroscope::kBrightness, 65));
    EXPECT_EQ(find(VirtualMicroscope::kBrightness).value, 0);
    EXPECT_EQ(find(VirtualMicroscope::kCameraButton).kind, ControlKind::Button);
    EXPECT_FALSE(device.SetFormat({Fourcc::kMJPG, 800, 600, {1, 30}}));
    EXPECT_FALSE(device.SetFormat({Fourcc::kMJPG, 640, 480, {1, 60}}));
    EXPECT_EQ(device.CurrentFormat()->width, 640);
}

TEST(VirtualMicroscope, StreamsNumberedFramesAndTheButtonGivesAStill) {
    auto backend = MakeVirtualMicroscopeBackend();
    std::string error;
    EXPECT_EQ(backend->Open("virtual:1", error), nullptr);
    auto device = backend->Open(VirtualMicroscope::kId, error);
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->SetFormat({Fourcc::kMJPG, 1280, 720, {1, 30}}));

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::uint64_t> sequences;
    int stills = 0;
    bool compressed = true;
    CaptureCallbacks callbacks;
    callbacks.onFrame = [&](const CaptureFrame& frame) {
        std::lock_guard lock(mutex);
        sequences.push_back(frame.sequence);
        compressed = compressed && !frame.compressed.empty() &&
                     frame.bytes == static_cast<std::size_t>(frame.stride) * 720 &&
                     frame.width == 1280;
        changed.notify_all();
    };
    callbacks.onStill = [&](const CaptureFrame&) {
        std::lock_guard lock(mutex);
        ++stills;
        changed.notify_all();
    };
    ASSERT_TRUE(device->StartStreaming(callbacks));
    EXPECT_FALSE(device->SetFormat({Fourcc::kYUYV, 640, 480, {1, 30}})) << "not while streaming";
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10),
                                     [&] { return sequences.size() >= 3; }));
    }
    ASSERT_TRUE(device->SetControl(VirtualMicroscope::kCameraButton, 0));
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return stills == 1; }));
    }
    device->StopStreaming();
    const std::size_t delivered = sequences.size();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(sequences.size(), delivered) << "nothing after StopStreaming";
    EXPECT_EQ(sequences[0], 0u);
    EXPECT_EQ(sequences[2], 2u);
    EXPECT_TRUE(compressed);
}

} // namespace
