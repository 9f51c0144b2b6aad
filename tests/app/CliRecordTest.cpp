#include "tests/app/CliTestSupport.h"

#include <QFile>

namespace {

using CliRecordTest = CliTest;

TEST_F(CliRecordTest, RecordsTheVirtualMicroscopeInRealTimeAndNeverReplacesAFile) {
    const QString out = home.filePath("clip.avi");
    CliRun run = RunCli({"record", out, "--seconds", "1", "--fps", "10"}, home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.json["file"].toString(), out);
    EXPECT_EQ(run.json["codec"].toString(), "mjpeg");
    EXPECT_EQ(run.json["width"].toInt(), 640);
    // One second at 10 frames per second, give or take the frame at the end.
    EXPECT_NEAR(run.json["frames_written"].toDouble(), 10, 1);
    // The virtual microscope streams MJPEG: its frames go in as they came.
    EXPECT_EQ(run.json["frames_passed_through"].toDouble(), run.json["frames_written"].toDouble());
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(4), "RIFF");
    EXPECT_EQ(run.json["bytes"].toDouble(), static_cast<double>(file.size()));

    run = RunCli(
        {"record", out, "--seconds", "0.3", "--uncompressed", "--mirror", "--size", "1280x720"},
        home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.json["file"].toString(), home.filePath("clip-2.avi"));
    EXPECT_EQ(run.json["codec"].toString(), "uncompressed");
    EXPECT_EQ(run.json["width"].toInt(), 1280);
    EXPECT_EQ(run.json["frames_passed_through"].toInt(), 0);
}

TEST_F(CliRecordTest, RefusesBadArgumentsWithOneLine) {
    const QString out = home.filePath("bad.avi");
    const QList<QStringList> bad{
        {"record", out},
        {"record", out, "--seconds", "0"},
        {"record", out, "--seconds", "1", "--fps", "0"},
        {"record", out, "--seconds", "1", "--fps", "fast"},
        {"record", out, "--seconds", "1", "--codec", "h264"},
        {"record", out, "--seconds", "1", "--uncompressed", "--codec", "mjpeg"},
        {"record", home.filePath("bad.mp4"), "--seconds", "1"},
        {"record", out, "--seconds", "1", "--size", "12x"},
        {"record", home.filePath("missing/bad.avi"), "--seconds", "1"},
    };
    for (const QStringList& arguments : bad) {
        const CliRun run = RunCli(arguments, home.path());
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.constData();
    }
    EXPECT_FALSE(QFileInfo::exists(out));
}

} // namespace
