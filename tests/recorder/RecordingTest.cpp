#include "recorder/Recording.h"

#include "core/Folders.h"
#include "core/Parameters.h"
#include "tests/camera/FrameTestSupport.h"
#include "tests/recorder/RecorderTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

class RecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_folders.videoFolder = m_dir.filePath("Video");
        g_recording.showMessage = [this](const QString&, const QString& text) {
            m_messages << text;
        };
        g_parameters.compress = 1;
    }
    void TearDown() override {
        StopRecording();
        g_recording = CRecordingSession{};
        g_framePipeline.flags.recording = 0;
    }
    QTemporaryDir m_dir;
    QStringList m_messages;
};

TEST_F(RecordingTest, MissingVideoFolderRefusesSilently) {
    EXPECT_EQ(StartRecording(15), 0);
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(RecordingTest, RefusalsSayWhy) {
    ASSERT_TRUE(QDir().mkpath(g_folders.videoFolder));
    EXPECT_EQ(StartRecording(0), 0);
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains("frame rate"));
    // No frame yet: no size to record at.
    g_framePipeline.frameWidth = 0;
    EXPECT_EQ(StartRecording(15), 0);
    EXPECT_EQ(m_messages.value(1), "Invalid Compression");
}

TEST_F(RecordingTest, RecordsTheStreamedFramesIntoADatedFile) {
    ASSERT_TRUE(QDir().mkpath(g_folders.videoFolder));
    const CTestFrame frame(20, 10);
    BufferCB(frame.View(0, 0));
    ASSERT_EQ(StartRecording(10), 1);
    EXPECT_EQ(StartRecording(10), 0); // one recording at a time
    g_framePipeline.flags.recording = 1;
    for (int i = 0; i < 5; ++i) {
        BufferCB(frame.View(static_cast<std::uint64_t>(i), i * 100000));
    }
    g_framePipeline.flags.recording = 0;
    StopRecording();
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join('\n').toStdString();
    EXPECT_EQ(g_recording.lastStats.framesWritten, 5u);
    EXPECT_TRUE(g_recording.lastFile.endsWith(".avi"));
    EXPECT_EQ(ReadBackVideo(g_recording.lastFile.toStdString()).packetCount, 5u);
    // The next recording in the same second gets a name of its own.
    const QDateTime now = QDateTime::currentDateTime();
    const QString first = VideoFileName(g_folders.videoFolder, now);
    QFile(first).open(QIODevice::WriteOnly);
    EXPECT_NE(VideoFileName(g_folders.videoFolder, now), first);
}

} // namespace
