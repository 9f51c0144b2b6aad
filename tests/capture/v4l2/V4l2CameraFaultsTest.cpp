#include "tests/capture/v4l2/MicroscopeFixture.h"

#include <cerrno>
#include <chrono>
#include <linux/videodev2.h>
#include <mutex>
#include <thread>

// The app against the ways real UVC cameras misbehave.

namespace {

using namespace std::chrono_literals;

struct Arrivals {
    std::mutex mutex;
    std::vector<std::int64_t> times;
    std::vector<int> centreLuma; // (b + g + r) / 3 of the top and bottom rows' middle
    int lost = 0;
    std::string lostReason;

    CaptureCallbacks Callbacks() {
        CaptureCallbacks callbacks;
        callbacks.onFrame = [this](const CaptureFrame& frame) {
            std::lock_guard lock(mutex);
            times.push_back(frame.timestampUs);
            for (const int row : {frame.height - 2, 1}) {
                const std::uint8_t* p =
                    frame.bgr + static_cast<std::size_t>(row) * frame.stride + frame.width / 2 * 3;
                centreLuma.push_back((p[0] + p[1] + p[2]) / 3);
            }
        };
        callbacks.onLost = [this](const std::string& reason) {
            std::lock_guard lock(mutex);
            ++lost;
            lostReason = reason;
        };
        return callbacks;
    }
    std::size_t Frames() {
        std::lock_guard lock(mutex);
        return times.size();
    }
};

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(MicroscopeTest, StartFailuresSayWhyAndLeaveNothingBehind) {
    const auto uncompressedTooFast = [](std::uint32_t code, std::uint32_t, std::uint32_t) {
        return code == V4L2_PIX_FMT_MJPEG ? 0 : ENOSPC;
    };
    const struct {
        const char* name;
        std::function<void(CFakeUvcCamera&)> arrange;
        bool failsAtFormat;
        int error;
        const char* says;
    } cases[] = {
        {"no bandwidth", [&](CFakeUvcCamera& f) { f.streamOnError = uncompressedTooFast; }, false,
         ENOSPC, "bandwidth"},
        {"no fast enough setting",
         [](CFakeUvcCamera& f) {
             f.streamOnError = [](auto...) {
                 return EIO;
             };
         },
         false, ENOSPC, "bandwidth"},
        {"another program", [](CFakeUvcCamera& f) { f.inUseElsewhere = true; }, true, EBUSY,
         "another program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.streamOnError = nullptr;
        fake.inUseElsewhere = false;
        c.arrange(fake);
        auto device = OpenMicroscope();
        const CaptureStatus format = device->SetFormat({V4L2_PIX_FMT_YUYV, 1280, 720, {1, 30}});
        const CaptureStatus status =
            format ? device->StartStreaming(Arrivals().Callbacks()) : format;
        EXPECT_FALSE(status);
        EXPECT_EQ(bool(format), !c.failsAtFormat);
        EXPECT_TRUE(Contains(status.message, c.says)) << status.message;
        EXPECT_EQ(V4l2(*device).LastError(), c.error);
        EXPECT_EQ(V4l2IsBandwidthError(V4l2(*device).LastError()), c.error == ENOSPC);
        EXPECT_EQ(status.failure,
                  c.error == EBUSY ? CaptureFailure::Busy : CaptureFailure::Bandwidth);
        EXPECT_FALSE(device->IsStreaming());
        EXPECT_EQ(fake.MappedBuffers(), 0);
        device.reset();
        EXPECT_EQ(fake.OpenFds(), 0);
    }

    // Compressed frames fit where raw ones did not.
    fake.inUseElsewhere = false;
    fake.streamOnError = uncompressedTooFast;
    auto device = OpenMicroscope();
    ASSERT_TRUE(device->SetFormat({V4L2_PIX_FMT_MJPEG, 1280, 720, {1, 10}}));
    EXPECT_TRUE(device->StartStreaming(Arrivals().Callbacks()));
    EXPECT_EQ(V4l2(*device).LastError(), 0);
}

TEST_F(MicroscopeTest, ASecondHandleMayLookButNotStream) {
    auto first = OpenMicroscope();
    auto second = OpenMicroscope();
    ASSERT_TRUE(first->SetFormat({V4L2_PIX_FMT_MJPEG, 64, 32, {1, 30}}));
    EXPECT_FALSE(second->Formats().empty());
    const CaptureStatus refused = second->SetFormat({V4L2_PIX_FMT_MJPEG, 640, 480, {1, 30}});
    EXPECT_TRUE(Contains(refused.message, "another program")) << refused.message;
    first.reset(); // closing gives the camera up
    EXPECT_TRUE(second->SetFormat({V4L2_PIX_FMT_MJPEG, 640, 480, {1, 30}}));
}

TEST_F(MicroscopeTest, TheCameraTakesTheNearestSizeAndAnOfferedRate) {
    auto device = OpenMicroscope();
    const struct {
        CaptureFormat wanted;
        CaptureFormat taken;
    } cases[] = {
        // The nearest size, and of its own rates the nearest one.
        {{V4L2_PIX_FMT_MJPEG, 1200, 700, {1, 30}}, {V4L2_PIX_FMT_MJPEG, 1280, 720, {1, 10}}},
        {{V4L2_PIX_FMT_MJPEG, 600, 400, {1, 12}}, {V4L2_PIX_FMT_MJPEG, 640, 480, {1, 15}}},
        // No rate asked: the size's default, not the last size's rate.
        {{V4L2_PIX_FMT_MJPEG, 1280, 720, {0, 0}}, {V4L2_PIX_FMT_MJPEG, 1280, 720, {1, 10}}},
        {{V4L2_PIX_FMT_MJPEG, 60, 30, {0, 0}}, {V4L2_PIX_FMT_MJPEG, 64, 32, {1, 15}}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(device->SetFormat(c.wanted));
        EXPECT_EQ(device->CurrentFormat(), c.taken) << c.wanted.width;
    }
    const auto formats = device->Formats();
    EXPECT_EQ(formats[0].sizes[1].intervals, (std::vector<FrameInterval>{{1, 10}, {1, 5}}));
}

TEST_F(MicroscopeTest, RawFormatsDecodeWithTheDriversRowLength) {
    // Top half bright, bottom half dark, in each format's own layout.
    const auto grey = [](int bytesPerSample, int planeFactor) {
        std::vector<std::uint8_t> frame(64 * 32 * bytesPerSample * planeFactor / 2, 128);
        for (int i = 0; i < 64 * 32; ++i) {
            const std::uint8_t luma = i < 64 * 16 ? 200 : 40;
            frame[static_cast<std::size_t>(i * bytesPerSample + bytesPerSample - 1)] = luma;
        }
        return frame;
    };
    const struct {
        std::uint32_t fourcc;
        std::vector<std::uint8_t> frame;
    } cases[] = {
        {V4L2_PIX_FMT_GREY, grey(1, 2)},
        {V4L2_PIX_FMT_NV12, grey(1, 3)},
        {V4L2_PIX_FMT_Y16, grey(2, 2)}, // little-endian: the high byte second
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Fourcc::ToString(c.fourcc));
        CFakeUvcCamera::Format format;
        format.fourcc = c.fourcc;
        format.sizes = {{64, 32}};
        fake.formats.push_back(format);
        auto device = OpenMicroscope();
        ASSERT_TRUE(device->SetFormat({c.fourcc, 64, 32, {1, 30}}));
        fake.Queue({c.frame});
        Arrivals arrivals;
        ASSERT_TRUE(device->StartStreaming(arrivals.Callbacks()));
        ASSERT_TRUE(fake.WaitScriptDone());
        device->StopStreaming();
        ASSERT_EQ(arrivals.Frames(), 1U);
        EXPECT_NEAR(arrivals.centreLuma[0], 200, 25);
        EXPECT_NEAR(arrivals.centreLuma[1], 40, 25);
    }
}

// Frames are placed in recordings by their time: whatever the driver's
// stamps, the times must grow with the frames as they arrive.
TEST_F(MicroscopeTest, FramesAreTimedEvenWhenTheDriversStampsAreUseless) {
    const struct {
        const char* name;
        std::uint32_t flags;
        std::function<std::optional<std::int64_t>(int)> stamp;
    } cases[] = {
        {"zero", V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC,
         [](int) {
             return 0;
         }},
        {"another clock", V4L2_BUF_FLAG_TIMESTAMP_UNKNOWN,
         [](int i) {
             return 1'000'000'000'000 + i * 5;
         }},
        {"backwards", V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC,
         [](int i) {
             return 9'000'000'000 - i * 1'000'000;
         }},
    };
    constexpr int kFrames = 4;
    const auto spacing = 25ms;
    fake.maxBuffers = 2; // drivers may grant fewer buffers than asked
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.timestampFlags = c.flags;
        auto device = OpenMicroscope();
        ASSERT_TRUE(device->SetFormat({V4L2_PIX_FMT_MJPEG, 64, 32, {1, 30}}));
        Arrivals arrivals;
        ASSERT_TRUE(device->StartStreaming(arrivals.Callbacks()));
        EXPECT_EQ(fake.GrantedBuffers(), 2U);
        for (int i = 0; i < kFrames; ++i) {
            fake.Queue({TwoToneJpeg(64, 32), 0, 0, 0, c.stamp(i)});
            ASSERT_TRUE(fake.WaitScriptDone());
            std::this_thread::sleep_for(spacing);
        }
        device->StopStreaming();
        ASSERT_EQ(arrivals.times.size(), std::size_t{kFrames});
        EXPECT_EQ(arrivals.times.front(), 0);
        for (int i = 1; i < kFrames; ++i) {
            EXPECT_GE(arrivals.times[i] - arrivals.times[i - 1], 20'000) << i;
        }
    }

    // Good stamps are kept, gaps of lost frames included.
    fake.timestampFlags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
    auto device = OpenMicroscope();
    ASSERT_TRUE(device->SetFormat({V4L2_PIX_FMT_MJPEG, 64, 32, {1, 15}}));
    fake.Queue({TwoToneJpeg(64, 32)});
    fake.Queue({TwoToneJpeg(64, 32), 0, 0, 1'000'000});
    Arrivals arrivals;
    ASSERT_TRUE(device->StartStreaming(arrivals.Callbacks()));
    ASSERT_TRUE(fake.WaitScriptDone());
    device->StopStreaming();
    EXPECT_EQ(arrivals.times, (std::vector<std::int64_t>{0, 1'066'666}));
}

TEST_F(MicroscopeTest, AStreamThatStopsSilentlyStaysOpenAndStartsAgain) {
    auto device = OpenMicroscope();
    ASSERT_TRUE(device->SetFormat({V4L2_PIX_FMT_MJPEG, 64, 32, {1, 30}}));
    fake.Queue({TwoToneJpeg(64, 32)});
    fake.Queue({{}, 0, 0, 0, std::nullopt, true});
    fake.Queue({TwoToneJpeg(64, 32)}); // sent only after a restart
    Arrivals arrivals;
    ASSERT_TRUE(device->StartStreaming(arrivals.Callbacks()));
    ASSERT_TRUE(fake.WaitScriptDone());
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(device->IsStreaming());
    EXPECT_EQ(arrivals.Frames(), 1U);
    const auto before = std::chrono::steady_clock::now();
    device->StopStreaming();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
    ASSERT_TRUE(device->StartStreaming(arrivals.Callbacks()));
    ASSERT_TRUE(fake.WaitScriptDone());
    device->StopStreaming();
    EXPECT_EQ(arrivals.Frames(), 2U);
    EXPECT_EQ(arrivals.lost, 0);
}

TEST_F(MicroscopeTest, AnUnplugEndsTheStreamOnceAfterTheFailedBuffersComeBack) {
    auto device = OpenMicroscope();
    ASSERT_TRUE(device->SetFormat({V4L2_PIX_FMT_MJPEG, 64, 32, {1, 30}}));
    fake.Queue({TwoToneJpeg(64, 32)});
    fake.Queue({{}, 0, ENODEV});
    Arrivals arrivals;
    ASSERT_TRUE(device->StartStreaming(arrivals.Callbacks()));
    ASSERT_TRUE(fake.WaitScriptDone());
    for (int i = 0; i < 200 && device->IsStreaming(); ++i) {
        std::this_thread::sleep_for(5ms);
    }
    device->StopStreaming();
    EXPECT_EQ(arrivals.Frames(), 1U);
    EXPECT_EQ(arrivals.lost, 1);
    EXPECT_TRUE(Contains(arrivals.lostReason, "no longer connected")) << arrivals.lostReason;
    EXPECT_EQ(fake.MappedBuffers(), 0);
}

TEST_F(MicroscopeTest, ControlsFollowTheirAutoModeAndTheDriversSteps) {
    auto device = OpenMicroscope();
    const auto value = [&](std::uint32_t id) {
        for (const CaptureControl& control : device->Controls()) {
            if (control.id == id) {
                return std::make_pair(control.value, control.inactive);
            }
        }
        return std::make_pair(-1, true);
    };
    EXPECT_TRUE(value(V4L2_CID_EXPOSURE_ABSOLUTE).second);
    EXPECT_FALSE(device->SetControl(V4L2_CID_EXPOSURE_ABSOLUTE, 100));
    ASSERT_TRUE(device->SetControl(V4L2_CID_EXPOSURE_AUTO, 1)); // manual
    EXPECT_FALSE(value(V4L2_CID_EXPOSURE_ABSOLUTE).second);
    EXPECT_TRUE(device->SetControl(V4L2_CID_EXPOSURE_ABSOLUTE, 100));
    EXPECT_EQ(value(V4L2_CID_EXPOSURE_ABSOLUTE).first, 100);

    // Brightness moves in steps of 2 from -64: the camera rounds, the list
    // shows what it took.
    EXPECT_TRUE(device->SetControl(V4L2_CID_BRIGHTNESS, 7));
    EXPECT_EQ(value(V4L2_CID_BRIGHTNESS).first, 8);
}
