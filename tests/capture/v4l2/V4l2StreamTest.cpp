#include "capture/v4l2/V4l2FrameDecoder.h"
#include "tests/capture/v4l2/MicroscopeFixture.h"

#include <atomic>
#include <cerrno>
#include <linux/videodev2.h>
#include <mutex>

namespace {

struct Pixel {
    int b, g, r;
};

Pixel At(const std::vector<std::uint8_t>& bgr, int stride, int x, int row) {
    const std::uint8_t* p = &bgr[static_cast<std::size_t>(row) * stride + x * 3];
    return {p[0], p[1], p[2]};
}

// What the stream delivered, copied as a consumer would.
struct Received {
    std::mutex mutex;
    int frames = 0;
    int stills = 0;
    int lost = 0;
    std::string lostReason;
    std::vector<std::uint8_t> last;
    int width = 0, height = 0, stride = 0;
    bool pointedIntoMapping = false;
    bool heldBuffer = false;
    std::uint64_t lastSequence = 0;
};

CaptureCallbacks Collect(Received& received, CFakeUvcCamera& fake) {
    CaptureCallbacks callbacks;
    callbacks.onFrame = [&](const CaptureFrame& frame) {
        std::lock_guard lock(received.mutex);
        ++received.frames;
        received.last.assign(frame.bgr, frame.bgr + frame.bytes);
        received.width = frame.width;
        received.height = frame.height;
        received.stride = frame.stride;
        received.lastSequence = frame.sequence;
        for (const auto& [start, size] : fake.Mappings()) {
            const auto inside = [&](const std::uint8_t* p) {
                return p >= start && p < start + size;
            };
            if (inside(frame.bgr) ||
                (!frame.compressed.empty() && inside(frame.compressed.data()))) {
                received.pointedIntoMapping = true;
            }
        }
        if (fake.BuffersHeldByApplication() != 0) {
            received.heldBuffer = true;
        }
    };
    callbacks.onStill = [&](const CaptureFrame&) {
        std::lock_guard lock(received.mutex);
        ++received.stills;
    };
    callbacks.onLost = [&](const std::string& reason) {
        std::lock_guard lock(received.mutex);
        ++received.lost;
        received.lostReason = reason;
    };
    return callbacks;
}

void ExpectTwoTone(const Received& received, int tolerance) {
    ASSERT_EQ(received.width, 64);
    ASSERT_EQ(received.height, 32);
    ASSERT_EQ(received.stride, BgrStride(64));
    // Bottom-up: the first stored row is the picture's bottom row (blue).
    const Pixel bottom = At(received.last, received.stride, 10, 2);
    const Pixel top = At(received.last, received.stride, 10, 29);
    EXPECT_NEAR(bottom.b, 255, tolerance);
    EXPECT_NEAR(bottom.r, 0, tolerance);
    EXPECT_NEAR(top.r, 255, tolerance);
    EXPECT_NEAR(top.b, 0, tolerance);
    EXPECT_NEAR(top.g, 0, tolerance);
}

class StreamFormatTest : public MicroscopeTest,
                         public ::testing::WithParamInterface<std::uint32_t> {};

} // namespace

TEST_P(StreamFormatTest, DeliversABottomUpBgrFrameInOurOwnMemory) {
    const std::uint32_t fourcc = GetParam();
    auto device = OpenMicroscope();
    ASSERT_TRUE(device->SetFormat({fourcc, 64, 32, {1, 30}}));
    std::vector<std::uint8_t> frame;
    if (fourcc == V4L2_PIX_FMT_MJPEG) {
        frame = TwoToneJpeg(64, 32);
        frame.resize(frame.size() + 300, 0); // cameras pad their buffers
    } else if (fourcc == V4L2_PIX_FMT_YUV420) {
        // Planar: a luma plane, then quarter-size U and V planes.
        frame.assign(64 * 32 * 3 / 2, 0);
        for (int y = 0; y < 32; ++y) {
            std::fill_n(frame.begin() + y * 64, 64, y < 16 ? 81 : 41);
        }
        for (int y = 0; y < 16; ++y) {
            std::fill_n(frame.begin() + 64 * 32 + y * 32, 32, y < 8 ? 90 : 240);
            std::fill_n(frame.begin() + 64 * 32 + 32 * 16 + y * 32, 32, y < 8 ? 240 : 110);
        }
    } else {
        frame = TwoTonePacked(fourcc, 64, 32);
    }
    fake.Queue({frame});
    Received received;
    ASSERT_TRUE(device->StartStreaming(Collect(received, fake)));
    ASSERT_TRUE(fake.WaitScriptDone());
    device->StopStreaming();
    ASSERT_EQ(received.frames, 1);
    EXPECT_FALSE(received.pointedIntoMapping);
    EXPECT_FALSE(received.heldBuffer);
    // The conversion library rounds its own way.
    ExpectTwoTone(received, fourcc == V4L2_PIX_FMT_YUV420 ? 20 : 12);
}

INSTANTIATE_TEST_SUITE_P(EveryPath, StreamFormatTest,
                         ::testing::Values(V4L2_PIX_FMT_MJPEG, V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_UYVY,
                                           V4L2_PIX_FMT_YVYU, V4L2_PIX_FMT_YUV420));

TEST_F(MicroscopeTest, BadFramesAreDroppedAndPassingErrorsRetriedUntilTheCameraIsUnplugged) {
    auto device = OpenMicroscope();
    ASSERT_TRUE(device->SetFormat({V4L2_PIX_FMT_MJPEG, 64, 32, {1, 30}}));
    const std::vector<std::uint8_t> good = TwoToneJpeg(64, 32);
    std::vector<std::uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
    std::vector<std::uint8_t> garbage(good.size());
    for (std::size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<std::uint8_t>(i * 131 + 7);
    }
    std::vector<std::uint8_t> corruptScan = good;
    for (std::size_t i = corruptScan.size() / 2; i < corruptScan.size() - 2; ++i) {
        corruptScan[i] = 0xFF;
    }
    const std::vector<std::uint8_t> wrongSize = TwoToneJpeg(32, 16);

    fake.Queue({good});
    fake.Queue({truncated});
    fake.Queue({garbage});
    fake.Queue({corruptScan});
    fake.Queue({wrongSize});
    fake.Queue({good, V4L2_BUF_FLAG_ERROR});
    fake.Queue({{}, 0, EAGAIN});
    fake.Queue({{}, 0, EINTR});
    fake.Queue({{}, 0, EIO});
    fake.Queue({{}}); // an empty buffer
    fake.Queue({good});
    fake.Queue({{}, 0, ENODEV});

    Received received;
    ASSERT_TRUE(device->StartStreaming(Collect(received, fake)));
    ASSERT_TRUE(fake.WaitScriptDone());
    for (int i = 0; i < 200 && device->IsStreaming(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(device->IsStreaming());
    device->StopStreaming();

    EXPECT_EQ(received.frames, 2);
    EXPECT_EQ(received.lastSequence, 1U);
    EXPECT_EQ(received.lost, 1);
    EXPECT_FALSE(received.lostReason.empty());
    EXPECT_FALSE(received.pointedIntoMapping);
    EXPECT_FALSE(received.heldBuffer);
    ExpectTwoTone(received, 12);
    EXPECT_EQ(fake.MappedBuffers(), 0);
    device.reset();
    EXPECT_EQ(fake.OpenFds(), 0);
}

TEST_F(MicroscopeTest, StopsAndStartsAgainWithoutLeavingBuffersOrNodesBehind) {
    auto device = OpenMicroscope();
    ASSERT_TRUE(device->SetFormat({V4L2_PIX_FMT_YUYV, 64, 32, {1, 30}}));
    Received received;
    ASSERT_TRUE(device->StartStreaming(Collect(received, fake)));
    EXPECT_TRUE(device->IsStreaming());
    EXPECT_FALSE(device->SetFormat({V4L2_PIX_FMT_MJPEG, 640, 480, {1, 30}}));
    device->StopStreaming(); // while waiting for a frame that never comes
    EXPECT_FALSE(device->IsStreaming());
    EXPECT_EQ(fake.MappedBuffers(), 0);
    EXPECT_TRUE(device->SetFormat({V4L2_PIX_FMT_MJPEG, 64, 32, {1, 30}}));

    fake.Queue({TwoToneJpeg(64, 32)});
    ASSERT_TRUE(device->StartStreaming(Collect(received, fake)));
    ASSERT_TRUE(fake.WaitScriptDone());
    device.reset(); // closing stops the stream too
    EXPECT_EQ(received.frames, 1);
    EXPECT_EQ(received.lost, 0);
    EXPECT_EQ(fake.OpenFds(), 0);
    EXPECT_EQ(fake.MappedBuffers(), 0);
}

TEST_F(MicroscopeTest, TheSnapshotButtonTurnsTheNextFrameIntoAStill) {
    auto device = OpenMicroscope();
    ASSERT_TRUE(device->Info().hasStillSource);
    ASSERT_TRUE(device->SetFormat({V4L2_PIX_FMT_MJPEG, 64, 32, {1, 30}}));
    const std::vector<std::uint8_t> good = TwoToneJpeg(64, 32);
    Received received;
    ASSERT_TRUE(device->StartStreaming(Collect(received, fake)));
    fake.Queue({good});
    ASSERT_TRUE(fake.WaitScriptDone());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(received.stills, 0);

    fake.PressButton();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    fake.Queue({good});
    fake.Queue({good});
    ASSERT_TRUE(fake.WaitScriptDone());
    device->StopStreaming();
    EXPECT_EQ(received.frames, 3);
    EXPECT_EQ(received.stills, 1);
}

TEST_F(MicroscopeTest, AButtonThatCannotBeOpenedLeavesTheCameraStreaming) {
    fake.RemoveNode(kButton);
    auto device = OpenMicroscope();
    ASSERT_TRUE(device->SetFormat({V4L2_PIX_FMT_MJPEG, 64, 32, {1, 30}}));
    fake.Queue({TwoToneJpeg(64, 32)});
    Received received;
    ASSERT_TRUE(device->StartStreaming(Collect(received, fake)));
    ASSERT_TRUE(fake.WaitScriptDone());
    device->StopStreaming();
    EXPECT_EQ(received.frames, 1);
}

TEST_F(MicroscopeTest, ACameraWhoseEveryFrameWarnsStillStreams) {
    auto device = OpenMicroscope();
    ASSERT_TRUE(device->SetFormat({V4L2_PIX_FMT_MJPEG, 64, 32, {1, 30}}));
    // Damaged entropy data: libjpeg decodes it with a warning.
    std::vector<std::uint8_t> flawed = TwoToneJpeg(64, 32);
    std::fill(flawed.end() - 40, flawed.end() - 2, 0xFF);
    for (int i = 0; i < 20; ++i) {
        fake.Queue({flawed});
    }
    Received received;
    ASSERT_TRUE(device->StartStreaming(Collect(received, fake)));
    ASSERT_TRUE(fake.WaitScriptDone());
    device->StopStreaming();
    EXPECT_GT(received.frames, 0);
    EXPECT_LT(received.frames, 20); // the first ones were dropped
}

TEST(V4l2FrameDecoder, ABrokenFrameDoesNotSpoilTheFramesAfterIt) {
    const std::vector<std::uint8_t> good = TwoToneJpeg(64, 32);
    std::vector<std::uint8_t> bogusTable = good;
    // The first quantisation table's index byte, set to a table that cannot exist.
    for (std::size_t i = 2; i + 4 < bogusTable.size(); ++i) {
        if (bogusTable[i] == 0xFF && bogusTable[i + 1] == 0xDB) {
            bogusTable[i + 4] = 0x0F;
            break;
        }
    }
    CV4l2FrameDecoder decoder;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(BgrStride(64)) * 32);
    std::string error;
    EXPECT_FALSE(decoder.Decode(V4L2_PIX_FMT_MJPEG, bogusTable, 64, 32, 0, frame.data(), error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(decoder.Decode(V4L2_PIX_FMT_MJPEG, good, 64, 32, 0, frame.data(), error)) << error;
}

// Many cameras leave out the Huffman tables (the standard ones apply) or the
// end marker, and pad their buffers; all of it must reach the decoder.
TEST_F(MicroscopeTest, JpegFramesAsCamerasSendThemDecode) {
    const std::vector<std::uint8_t> good = TwoToneJpeg(64, 32);
    const auto padded = [](std::vector<std::uint8_t> frame) {
        frame.resize(frame.size() + 500, 0);
        return frame;
    };
    const struct {
        const char* name;
        std::vector<std::uint8_t> frame;
        int frames;  // sent
        int atLeast; // shown
    } cases[] = {
        {"no Huffman tables", WithoutHuffmanTables(good), 1, 1},
        {"padding after the end marker", padded(good), 1, 1},
        {"no tables, padded", padded(WithoutHuffmanTables(good)), 1, 1},
        // Running off the end is a decoder warning: shown once it is the
        // camera's habit.
        {"no end marker", WithoutEndMarker(good), 20, 5},
        {"no end marker, padded", padded(WithoutEndMarker(good)), 20, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto device = OpenMicroscope();
        ASSERT_TRUE(device->SetFormat({V4L2_PIX_FMT_MJPEG, 64, 32, {1, 30}}));
        for (int i = 0; i < c.frames; ++i) {
            fake.Queue({c.frame});
        }
        Received received;
        ASSERT_TRUE(device->StartStreaming(Collect(received, fake)));
        ASSERT_TRUE(fake.WaitScriptDone());
        device->StopStreaming();
        EXPECT_GE(received.frames, c.atLeast);
        ExpectTwoTone(received, 12);
    }
}

TEST_F(MicroscopeTest, UndecodableFramesAreDroppedWithTheirReason) {
    auto device = OpenMicroscope();
    ASSERT_TRUE(device->SetFormat({V4L2_PIX_FMT_MJPEG, 64, 32, {1, 30}}));
    const std::vector<std::uint8_t> good = TwoToneJpeg(64, 32);
    fake.Queue({good});
    for (int i = 0; i < 29; ++i) {
        fake.Queue({std::vector<std::uint8_t>(good.size(), 0x55)});
    }
    fake.Queue({good, V4L2_BUF_FLAG_ERROR});
    fake.Queue({good});
    Received received;
    std::vector<std::string> dropped;
    CaptureCallbacks callbacks = Collect(received, fake);
    callbacks.onDropped = [&](const std::string& error) {
        std::lock_guard lock(received.mutex);
        dropped.push_back(error);
    };
    ASSERT_TRUE(device->StartStreaming(std::move(callbacks)));
    ASSERT_TRUE(fake.WaitScriptDone());
    // The last buffer is taken off the script before it is looked at.
    for (int i = 0; i < 200 && received.frames < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    device->StopStreaming();
    EXPECT_EQ(received.frames, 2);
    ASSERT_EQ(dropped.size(), 30U);
    EXPECT_FALSE(dropped.front().empty()) << "a frame that does not decode says why";
    EXPECT_NE(dropped.back().find("damaged"), std::string::npos) << dropped.back();
}
