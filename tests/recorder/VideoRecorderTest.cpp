#include "recorder/VideoRecorder.h"

#include "camera/FramePipeline.h"
#include "camera/LiveOverlay.h"
#include "camera/LivePresenter.h"
#include "tests/camera/FrameTestSupport.h"
#include "tests/recorder/RecorderTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

#include <QTemporaryDir>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace {

class VideoRecorderTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return m_dir.filePath(name).toStdString(); }

    static std::shared_ptr<CVideoRecorder> Make(const CRecorderOptions& options) {
        std::string error;
        auto recorder = CVideoRecorder::Create(options, error);
        EXPECT_NE(recorder, nullptr) << error;
        return recorder;
    }

    QTemporaryDir m_dir;
};

// Frames `count` at `cameraFps`, timestamps from 0.
void Feed(CVideoRecorder& recorder, const CTestFrame& frame, int count, double cameraFps) {
    for (int i = 0; i < count; ++i) {
        const auto us = static_cast<std::int64_t>(i * 1e6 / cameraFps);
        recorder.TakeFrame(frame.View(static_cast<std::uint64_t>(i), us));
    }
}

TEST_F(VideoRecorderTest, UncompressedFileHoldsBottomUpBgrRowsUnderABiRgbHeader) {
    const CTestFrame frame(638, 12); // rows padded to 1916 bytes
    CRecorderOptions options{Path("raw.avi"), 638, 12, 10.0, VideoCodec::Uncompressed};
    auto recorder = Make(options);
    ASSERT_NE(recorder, nullptr);
    Feed(*recorder, frame, 3, 10.0);
    const CRecorderStats stats = recorder->Stop();
    EXPECT_EQ(stats.error, "");
    EXPECT_EQ(stats.framesWritten, 3u);
    EXPECT_FALSE(std::filesystem::exists(RecordingPartPath(options.path)));

    const CStoredBitmapHeader header = ReadStreamFormat(options.path);
    EXPECT_EQ(header.compression, 0u); // BI_RGB
    EXPECT_EQ(header.bitCount, 24);
    EXPECT_EQ(header.width, 638);
    EXPECT_EQ(header.height, 12); // positive: bottom-up, as players expect
    const CReadBackVideo video = ReadBackVideo(options.path);
    ASSERT_EQ(video.error, "");
    EXPECT_EQ(video.codecId, AV_CODEC_ID_RAWVIDEO);
    EXPECT_DOUBLE_EQ(video.fps, 10.0);
    ASSERT_EQ(video.packets.size(), 3u);
    EXPECT_EQ(video.packets[2], frame.bytes);
}

TEST_F(VideoRecorderTest, FileRateIsRealTimeWhateverTheCameraDelivers) {
    const CTestFrame frame(16, 8);
    // Two seconds of a 30 fps camera recorded at 15 fps, and of a 10 fps
    // camera at 25 fps: both files last two seconds.
    // The queue has room for every frame: this is about timing, not dropping.
    auto slower = Make({Path("slower.avi"), 16, 8, 15.0, VideoCodec::Uncompressed, 90, 128});
    auto faster = Make({Path("faster.avi"), 16, 8, 25.0, VideoCodec::Uncompressed, 90, 128});
    ASSERT_TRUE(slower && faster);
    Feed(*slower, frame, 60, 30.0);
    Feed(*faster, frame, 20, 10.0);
    EXPECT_EQ(slower->Stop().framesWritten, 30u);
    // The last camera frame, at 1.9 s, fills the slots up to 1.92 s.
    EXPECT_EQ(faster->Stop().framesWritten, 49u);
    EXPECT_EQ(ReadBackVideo(Path("faster.avi")).packetCount, 49u);

    // A camera clock jumping two minutes ahead fills one slot, not 1 200.
    auto jumped = Make({Path("jumped.avi"), 16, 8, 10.0, VideoCodec::Uncompressed});
    ASSERT_TRUE(jumped);
    jumped->TakeFrame(frame.View(0, 0));
    jumped->TakeFrame(frame.View(1, 120'000'000));
    EXPECT_EQ(jumped->Stop().framesWritten, 2u);
}

TEST_F(VideoRecorderTest, RecordedFramesAreUprightAndCarryNoOverlay) {
    // A frame whose top half is red and the rest blue, through the pipeline
    // with the recording notice and a crosshair on the live picture.
    CTestFrame frame(32, 16);
    for (int row = 0; row < 16; ++row) {
        for (int x = 0; x < 32; ++x) {
            std::uint8_t* p =
                frame.bytes.data() + static_cast<std::size_t>(row) * frame.stride + x * 3;
            p[0] = row >= 8 ? 0 : 255;
            p[1] = 0;
            p[2] = row >= 8 ? 255 : 0;
        }
    }
    CLiveViewParams view;
    view.recordingNotice = "Recording...";
    view.crosshair = true;
    view.crosshairPosition = QPointF(1, 1);
    SetLiveViewParams(view);
    auto presenter = std::make_shared<CLivePresenter>(nullptr);
    auto recorder = Make({Path("mjpeg.avi"), 32, 16, 10.0, VideoCodec::Mjpeg});
    ASSERT_NE(recorder, nullptr);
    SetPresenterSink(presenter);
    SetRecorderSink(recorder);
    g_framePipeline.flags.recording = 1;
    BufferCB(frame.View(0, 0));
    g_framePipeline.flags.recording = 0;
    SetRecorderSink(nullptr);
    SetPresenterSink(nullptr);
    SetLiveViewParams(CLiveViewParams{});
    ASSERT_EQ(recorder->Stop().framesWritten, 1u);

    const CReadBackVideo video = ReadBackVideo(Path("mjpeg.avi"));
    ASSERT_EQ(video.packets.size(), 1u);
    EXPECT_EQ(video.codecId, AV_CODEC_ID_MJPEG);
    // Red at the top-left corner, where the live picture has the notice
    // and the crosshair: the file got the frame, not the overlay.
    const std::int64_t topLeft = JpegTopLeft(video.packets[0]);
    ASSERT_GE(topLeft, 0);
    EXPECT_GT((topLeft >> 16) & 0xFF, 200); // red
    EXPECT_LT(topLeft & 0xFF, 60);          // blue
}

TEST_F(VideoRecorderTest, CamerasJpegPassesThroughByteForByte) {
    const std::vector<std::uint8_t> jpegA = SolidJpeg(48, 32, 10, 20, 30);
    const std::vector<std::uint8_t> jpegB = SolidJpeg(48, 32, 200, 100, 50);
    const CTestFrame decoded(48, 32);
    auto recorder = Make({Path("pass.avi"), 48, 32, 5.0, VideoCodec::Mjpeg});
    ASSERT_NE(recorder, nullptr);
    for (int i = 0; i < 4; ++i) {
        CaptureFrame frame = decoded.View(static_cast<std::uint64_t>(i), i * 200000);
        frame.sourceFourcc = Fourcc::kMJPG;
        frame.compressed = i % 2 ? jpegB : jpegA;
        recorder->TakeFrame(frame);
    }
    const CRecorderStats stats = recorder->Stop();
    EXPECT_EQ(stats.framesPassedThrough, 4u);
    const CReadBackVideo video = ReadBackVideo(Path("pass.avi"));
    ASSERT_EQ(video.packets.size(), 4u);
    EXPECT_EQ(video.packets[0], jpegA);
    EXPECT_EQ(video.packets[3], jpegB);
}

TEST_F(VideoRecorderTest, RefusesBadRatesSizesAndPathsWithAReason) {
    std::string error;
    CRecorderOptions options{Path("x.avi"), 64, 48, 0.0, VideoCodec::Uncompressed};
    EXPECT_EQ(CVideoRecorder::Create(options, error), nullptr);
    EXPECT_NE(error.find("frame rate"), std::string::npos);
    options.fps = 1000.0;
    EXPECT_EQ(CVideoRecorder::Create(options, error), nullptr);
    options.fps = std::nan("");
    EXPECT_EQ(CVideoRecorder::Create(options, error), nullptr);
    options.fps = 15.0;
    options.width = 0;
    EXPECT_EQ(CVideoRecorder::Create(options, error), nullptr);
    options.width = 64;
    options.path = Path("missing/folder/x.avi");
    error.clear();
    EXPECT_EQ(CVideoRecorder::Create(options, error), nullptr);
    EXPECT_NE(error, "");
    EXPECT_FALSE(std::filesystem::exists(Path("missing")));
}

TEST_F(VideoRecorderTest, FolderVanishingMidRecordingEndsWithAMessageNotACrash) {
    const std::filesystem::path folder = Path("video");
    std::filesystem::create_directory(folder);
    const CTestFrame frame(16, 8);
    auto recorder = Make({(folder / "gone.avi").string(), 16, 8, 10.0, VideoCodec::Uncompressed});
    ASSERT_NE(recorder, nullptr);
    Feed(*recorder, frame, 5, 10.0);
    std::filesystem::remove_all(folder);
    Feed(*recorder, frame, 5, 10.0);
    const CRecorderStats stats = recorder->Stop();
    EXPECT_NE(stats.error, "");
    EXPECT_EQ(recorder->Stop().error, stats.error); // a second stop changes nothing
}

TEST_F(VideoRecorderTest, FramesOfAnotherSizeAreSkipped) {
    auto recorder = Make({Path("size.avi"), 16, 8, 10.0, VideoCodec::Uncompressed});
    ASSERT_NE(recorder, nullptr);
    const CTestFrame other(18, 8);
    Feed(*recorder, other, 3, 10.0);
    EXPECT_EQ(recorder->Stop().framesWritten, 0u);
    EXPECT_EQ(ReadBackVideo(Path("size.avi")).packetCount, 0u);
}

} // namespace
