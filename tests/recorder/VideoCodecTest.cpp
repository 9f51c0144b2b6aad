#include "recorder/VideoRecorder.h"
#include "tests/camera/FrameTestSupport.h"
#include "tests/recorder/RecorderTestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>

#include <QTemporaryDir>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace {

constexpr int kWidth = 32;
constexpr int kHeight = 16;

// Stored rows bottom-up: the first eight rows in memory are the picture's
// blue bottom half, the last eight its red top half.
CTestFrame RedOverBlue() {
    CTestFrame frame(kWidth, kHeight);
    for (int row = 0; row < kHeight; ++row) {
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p =
                frame.bytes.data() + static_cast<std::size_t>(row) * frame.stride + x * 3;
            const bool top = row >= kHeight / 2;
            p[0] = top ? 0 : 240;
            p[1] = static_cast<std::uint8_t>(x * 4);
            p[2] = top ? 240 : 0;
        }
    }
    return frame;
}

CDecodedVideo Record(const std::string& path, VideoCodec codec, const CTestFrame& frame,
                     int frames) {
    std::string error;
    auto recorder = CVideoRecorder::Create({path, kWidth, kHeight, 10.0, codec, 90, 64}, error);
    if (!recorder) {
        CDecodedVideo failed;
        failed.error = error;
        return failed;
    }
    for (int i = 0; i < frames; ++i) {
        recorder->TakeFrame(frame.View(static_cast<std::uint64_t>(i), i * 100000));
    }
    const CRecorderStats stats = recorder->Stop();
    if (!stats.error.empty() || stats.framesWritten != static_cast<std::uint64_t>(frames)) {
        CDecodedVideo failed;
        failed.error = "recording: " + stats.error;
        return failed;
    }
    return DecodeVideo(path);
}

// Blue, green, red of decoded pixel (x, y), y counted from the top.
const std::uint8_t* At(const std::vector<std::uint8_t>& bgr, int x, int y) {
    return bgr.data() + (static_cast<std::size_t>(y) * kWidth + x) * 3;
}

class VideoCodecTest : public ::testing::TestWithParam<VideoCodec> {
protected:
    QTemporaryDir m_dir;
};

TEST_P(VideoCodecTest, EncodedFileDecodesUprightWithEveryFrame) {
    if (!VideoCodecPresent(GetParam())) {
        GTEST_SKIP() << "this libavcodec has no such encoder";
    }
    const CTestFrame frame = RedOverBlue();
    const CDecodedVideo video =
        Record(m_dir.filePath("coded.avi").toStdString(), GetParam(), frame, 6);
    ASSERT_EQ(video.error, "");
    EXPECT_EQ(video.codecId, GetParam() == VideoCodec::H264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_FFV1);
    EXPECT_EQ(video.width, kWidth);
    EXPECT_EQ(video.height, kHeight);
    ASSERT_EQ(video.frames.size(), 6u);
    for (const auto& decoded : video.frames) {
        EXPECT_GT(At(decoded, 3, 1)[2], 200); // red on top
        EXPECT_LT(At(decoded, 3, 1)[0], 50);
        EXPECT_GT(At(decoded, 3, kHeight - 2)[0], 200); // blue at the bottom
        EXPECT_LT(At(decoded, 3, kHeight - 2)[2], 50);
    }
    if (GetParam() == VideoCodec::Ffv1) {
        // Lossless: the last frame is the camera's, row for row.
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const std::uint8_t* source =
                    frame.bytes.data() + static_cast<std::size_t>(kHeight - 1 - y) * frame.stride +
                    x * 3;
                const std::uint8_t* decoded = At(video.frames.back(), x, y);
                ASSERT_TRUE(std::equal(source, source + 3, decoded)) << x << "," << y;
            }
        }
    }
}

TEST_P(VideoCodecTest, RepeatedFramesFillTheFileAtItsRate) {
    if (!VideoCodecPresent(GetParam())) {
        GTEST_SKIP() << "this libavcodec has no such encoder";
    }
    // A 2 fps camera recorded at 10 fps: each frame is held for five slots.
    std::string error;
    const std::string path = m_dir.filePath("slow.avi").toStdString();
    auto recorder =
        CVideoRecorder::Create({path, kWidth, kHeight, 10.0, GetParam(), 90, 64}, error);
    ASSERT_NE(recorder, nullptr) << error;
    const CTestFrame frame = RedOverBlue();
    for (int i = 0; i < 3; ++i) {
        recorder->TakeFrame(frame.View(static_cast<std::uint64_t>(i), i * 500000));
    }
    EXPECT_EQ(recorder->Stop().framesWritten, 11u);
    EXPECT_EQ(DecodeVideo(path).frames.size(), 11u);
}

INSTANTIATE_TEST_SUITE_P(Compressors, VideoCodecTest,
                         ::testing::Values(VideoCodec::H264, VideoCodec::Ffv1),
                         [](const auto& info) {
                             return info.param == VideoCodec::H264 ? "H264" : "Ffv1";
                         });

TEST(VideoCodecChoiceTest, H264RefusesOddFrameSizesWithAReason) {
    if (!VideoCodecPresent(VideoCodec::H264)) {
        GTEST_SKIP() << "this libavcodec has no H.264 encoder";
    }
    QTemporaryDir dir;
    std::string error;
    const std::string path = dir.filePath("odd.avi").toStdString();
    EXPECT_EQ(CVideoRecorder::Create({path, 33, 16, 10.0, VideoCodec::H264}, error), nullptr);
    EXPECT_NE(error.find("even"), std::string::npos);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(RecordingPartPath(path))));
}

} // namespace
