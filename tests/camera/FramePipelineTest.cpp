#include "camera/FramePipeline.h"

#include "tests/camera/FrameTestSupport.h"

#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <vector>

namespace {

// Keeps what it was handed: the first pixel's bytes, the sequence number and
// whether the camera's JPEG came along.
class CKeepingSink final : public IFrameSink {
public:
    void TakeFrame(const CaptureFrame& frame) override {
        firstBytes.emplace_back(frame.bgr, frame.bgr + 3);
        sequences.push_back(frame.sequence);
        compressedSizes.push_back(frame.compressed.size());
    }
    std::vector<std::vector<std::uint8_t>> firstBytes;
    std::vector<std::uint64_t> sequences;
    std::vector<std::size_t> compressedSizes;
};

class FramePipelineTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        CFrameFlags& f = g_framePipeline.flags;
        f.mirror = 0;
        f.rotate = 0;
        f.stillRequest = 0;
        f.stillKind = 0;
        f.recording = 0;
        f.frameWritten = 0;
        SetRecorderSink(nullptr);
        SetPresenterSink(nullptr);
        g_framePipeline.stillReady = nullptr;
        g_framePipeline.settlingFrames = 0;
        g_framePipeline.maxCopyAge = kMaxStillAge;
        ResetFramePipeline();
    }
};

// Stills never get a frame of a camera still settling, nor one so old that
// the camera has evidently stopped.
TEST_F(FramePipelineTest, FrameCopySkipsSettlingFramesAndRefusesStaleOnes) {
    using namespace std::chrono_literals;
    g_framePipeline.settlingFrames = 2;
    const CTestFrame frame(4, 2);
    struct Step {
        std::uint64_t sequence;
        std::optional<std::uint64_t> copied;
    };
    for (const Step& step : {Step{0, std::nullopt}, Step{1, std::nullopt}, Step{2, 2u}}) {
        BufferCB(frame.View(step.sequence));
        const auto copy = TakeFrameCopy();
        EXPECT_EQ(copy ? std::optional(copy->sequence) : std::nullopt, step.copied)
            << step.sequence;
    }
    g_framePipeline.maxCopyAge = 30ms;
    std::this_thread::sleep_for(60ms);
    EXPECT_FALSE(TakeFrameCopy().has_value()) << "stale";
    BufferCB(frame.View(3));
    EXPECT_TRUE(TakeFrameCopy().has_value()) << "fresh again";
}

TEST_F(FramePipelineTest, StillRequestHandsOverThePreviousFrameAndSkipsCopyingItsOwn) {
    std::vector<int> stillKinds;
    std::vector<std::uint64_t> copyAtSignal;
    g_framePipeline.stillReady = [&](int kind) {
        stillKinds.push_back(kind);
        copyAtSignal.push_back(TakeFrameCopy()->sequence);
    };
    auto presenter = std::make_shared<CKeepingSink>();
    SetPresenterSink(presenter);
    const CTestFrame frame(7, 3);

    EXPECT_FALSE(TakeFrameCopy().has_value());
    BufferCB(frame.View(1, 33000));
    g_framePipeline.flags.stillKind = 1;
    g_framePipeline.flags.stillRequest = 1;
    BufferCB(frame.View(2, 66000));
    BufferCB(frame.View(3, 99000));

    ASSERT_EQ(stillKinds, std::vector<int>{1});
    EXPECT_EQ(copyAtSignal, std::vector<std::uint64_t>{1});
    EXPECT_EQ(g_framePipeline.flags.stillRequest.load(), 0);
    // The requesting frame is still shown: it is neither copied nor delayed.
    EXPECT_EQ(presenter->sequences, (std::vector<std::uint64_t>{1, 2, 3}));
    const auto copy = TakeFrameCopy();
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(copy->sequence, 3u);
    EXPECT_DOUBLE_EQ(copy->sampleTime, 0.099);
    EXPECT_EQ(copy->bgr, frame.bytes);
    EXPECT_EQ(copy->Header().sizeImage, static_cast<std::uint32_t>(frame.stride * 3));
}

TEST_F(FramePipelineTest, TurnsACopyAndLeavesTheCamerasBufferAlone) {
    auto presenter = std::make_shared<CKeepingSink>();
    SetPresenterSink(presenter);
    const CTestFrame frame(5, 2);
    const std::vector<std::uint8_t> delivered = frame.bytes;
    std::vector<std::uint8_t> jpeg{0xFF, 0xD8, 0xFF, 0xD9};
    CaptureFrame view = frame.View();
    view.compressed = jpeg;

    g_framePipeline.flags.mirror = 1;
    BufferCB(view);
    EXPECT_EQ(frame.bytes, delivered);
    // The first stored pixel is now the last one of the bottom row, and the
    // camera's JPEG, which shows the unturned picture, is not passed on.
    EXPECT_EQ(presenter->firstBytes.back(), (std::vector<std::uint8_t>{4, 0, 0}));
    EXPECT_EQ(presenter->compressedSizes.back(), 0u);

    g_framePipeline.flags.mirror = 0;
    BufferCB(view);
    EXPECT_EQ(presenter->firstBytes.back(), (std::vector<std::uint8_t>{0, 0, 0}));
    EXPECT_EQ(presenter->compressedSizes.back(), jpeg.size());
}

TEST_F(FramePipelineTest, RecordsOnlyWhileRecordingAndMarksWrittenFrames) {
    auto recorder = std::make_shared<CKeepingSink>();
    SetRecorderSink(recorder);
    const CTestFrame frame(4, 2);
    BufferCB(frame.View(1));
    EXPECT_TRUE(recorder->sequences.empty());
    EXPECT_EQ(g_framePipeline.flags.frameWritten.load(), 0);

    g_framePipeline.flags.recording = 1;
    BufferCB(frame.View(2));
    g_framePipeline.flags.recording = 0;
    BufferCB(frame.View(3));
    EXPECT_EQ(recorder->sequences, std::vector<std::uint64_t>{2});
    EXPECT_EQ(g_framePipeline.flags.frameWritten.load(), 1);
}

TEST_F(FramePipelineTest, DropsFramesWhoseSizesDoNotAddUp) {
    auto presenter = std::make_shared<CKeepingSink>();
    SetPresenterSink(presenter);
    const CTestFrame frame(6, 4);
    CaptureFrame shortBuffer = frame.View();
    shortBuffer.bytes -= 1;
    CaptureFrame narrowStride = frame.View();
    narrowStride.stride = 6 * 3 - 1;
    CaptureFrame noPixels = frame.View();
    noPixels.bgr = nullptr;
    CaptureFrame hugeWidth = frame.View();
    hugeWidth.width = 1 << 30;
    for (const CaptureFrame& bad : {shortBuffer, narrowStride, noPixels, hugeWidth}) {
        BufferCB(bad);
    }
    EXPECT_TRUE(presenter->sequences.empty());
    EXPECT_FALSE(TakeFrameCopy().has_value());
    EXPECT_EQ(g_framePipeline.framesDropped, 4u);
}

TEST(FrameHeaderTest, DescribesABottomUpUncompressedFrame) {
    const auto bytes = MakeFrameHeader(638, 3).Bytes();
    const std::vector<std::uint8_t> expected{40, 0, 0, 0, 0x7E, 2, 0,    0,    3, 0, 0, 0, 1, 0,
                                             24, 0, 0, 0, 0,    0, 0x74, 0x16, 0, 0, 0, 0, 0, 0,
                                             0,  0, 0, 0, 0,    0, 0,    0,    0, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), expected);
}

} // namespace
