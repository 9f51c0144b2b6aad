#include "recorder/VideoRecorder.h"
#include "tests/camera/FrameTestSupport.h"
#include "tests/recorder/RecorderTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

// An uncompressed recording past the 1 GB of a plain AVI file must stay
// readable to its last frame (the file continues as OpenDML AVI).
TEST(LargeRecordingTest, UncompressedFilePastOneGigabyteReadsToItsLastFrame) {
    QTemporaryDir dir;
    const std::filesystem::path folder = dir.path().toStdString();
    constexpr std::uintmax_t kNeeded = 3ull << 30;
    const std::uintmax_t available = std::filesystem::space(folder).available;
    if (available < kNeeded) {
        GTEST_SKIP() << "needs 3 GB free in " << folder << ", has " << (available >> 20) << " MB";
    }
    const int width = 1920;
    const int height = 1080;
    CTestFrame frame(width, height);
    const std::string path = (folder / "long.avi").string();
    std::string error;
    auto recorder =
        CVideoRecorder::Create({path, width, height, 30.0, VideoCodec::Uncompressed, 90, 4}, error);
    ASSERT_NE(recorder, nullptr) << error;
    // 190 frames of 6 220 800 bytes: about 1.1 GB. Feeding waits for the
    // writer so that no frame is dropped.
    constexpr int kFrames = 190;
    for (int i = 0; i < kFrames; ++i) {
        frame.bytes[0] = static_cast<std::uint8_t>(i);
        while (recorder->Stats().framesWritten + 3 < static_cast<std::uint64_t>(i)) {
            std::this_thread::yield();
        }
        recorder->TakeFrame(frame.View(static_cast<std::uint64_t>(i), i * 1000000 / 30));
    }
    const CRecorderStats stats = recorder->Stop();
    ASSERT_EQ(stats.error, "");
    EXPECT_EQ(stats.framesDropped, 0u);
    EXPECT_GT(std::filesystem::file_size(path), 1ull << 30);

    const CReadBackVideo video = ReadBackVideo(path, kFrames - 1);
    ASSERT_EQ(video.error, "");
    EXPECT_EQ(video.packetCount, static_cast<std::uint64_t>(kFrames));
    ASSERT_EQ(video.packets.size(), 1u);
    EXPECT_EQ(video.packets[0], frame.bytes);
    std::filesystem::remove(path);
}

} // namespace
