#include "tests/cli/CliTestSupport.h"

#include <QFile>

namespace {

using CliRecordTest = CliTest;

TEST_F(CliRecordTest, TheFileHoldsTheRequestedTimeWithinOneFrame) {
    for (const int fps : {15, 30}) {
        const QString out = home.filePath(QStringLiteral("length-%1.avi").arg(fps));
        const CliRun run =
            RunCli({"record", out, "--seconds", "3", "--fps", QString::number(fps)}, home.path());
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_NEAR(run.json["frames_written"].toDouble(), 3.0 * fps, 1.0) << fps << " fps";
    }
}

TEST_F(CliRecordTest, RecordsTheVirtualMicroscopeInRealTimeAndNeverReplacesAFile) {
    const QString out = home.filePath("clip.avi");
    CliRun run = RunCli({"record", out, "--seconds", "1", "--fps", "10"}, home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.json["file"].toString(), out);
    EXPECT_EQ(run.json["codec"].toString(), "mjpeg");
    EXPECT_EQ(run.json["width"].toInt(), 640);
    // One second at 10 frames per second, give or take the frame at the end
    // (and what a loaded machine makes of the timer).
    EXPECT_NEAR(run.json["frames_written"].toDouble(), 10, 2);
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

TEST_F(CliRecordTest, RecordsWithTheOtherCompressorsIntoAvi) {
    // Both are in Debian's libavcodec; the recorder tests decode such files.
    const struct {
        const char* name;
        QByteArray fourcc;
    } compressors[] = {{"h264", "H264"}, {"ffv1", "FFV1"}};
    for (const auto& compressor : compressors) {
        const QString out = home.filePath(QStringLiteral("%1.avi").arg(compressor.name));
        const CliRun run =
            RunCli({"record", out, "--seconds", "0.3", "--codec", compressor.name}, home.path());
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_EQ(run.json["codec"].toString(), compressor.name);
        EXPECT_GT(run.json["frames_written"].toInt(), 0);
        // The camera's JPEG cannot pass through into another compressor.
        EXPECT_EQ(run.json["frames_passed_through"].toInt(), 0);
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray head = file.read(4096);
        EXPECT_TRUE(head.startsWith("RIFF"));
        EXPECT_TRUE(head.contains(compressor.fourcc)) << compressor.name;
    }
}

TEST_F(CliRecordTest, RefusesBadArgumentsWithOneLine) {
    const QString out = home.filePath("bad.avi");
    const QList<QStringList> bad{
        {"record", out},
        {"record", out, "--seconds", "0"},
        {"record", out, "--seconds", "1", "--fps", "0"},
        {"record", out, "--seconds", "1", "--fps", "fast"},
        {"record", out, "--seconds", "1", "--codec", "vp9"},
        {"record", out, "--seconds", "1", "--codec", "uncompressed"},
        {"record", out, "--seconds", "1", "--uncompressed", "--codec", "mjpeg"},
        {"record", home.filePath("bad.mp4"), "--seconds", "1"},
        {"record", out, "--seconds", "1", "--size", "12x"},
        {"record", home.filePath("missing/bad.avi"), "--seconds", "1"},
        // Writable by its permission bits when run as root, yet no file can
        // be made there.
        {"record", "/proc/bad.avi", "--seconds", "1"},
    };
    for (const QStringList& arguments : bad) {
        const CliRun run = RunCli(arguments, home.path());
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.constData();
    }
    for (const QString& path :
         {home.filePath("missing/bad.avi"), QStringLiteral("/proc/bad.avi")}) {
        const CliRun run = RunCli({"record", path, "--seconds", "1"}, home.path());
        EXPECT_TRUE(run.err.contains(path.toUtf8())) << run.err.constData();
    }
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST_F(CliRecordTest, HelpListsEveryCompressorAndStandardErrorHoldsOnlyOurLines) {
    const CliRun help = RunCli({"--help"}, home.path());
    for (const char* codec : {"--uncompressed", "mjpeg", "h264", "ffv1"}) {
        EXPECT_TRUE(help.out.contains(codec)) << codec;
    }
    // x264 prints statistics when closed, and Qt warns about a missing
    // runtime folder; neither may reach standard error.
    const CliRun run =
        RunCli({"record", home.filePath("quiet.avi"), "--seconds", "0.3", "--codec", "h264"},
               home.path(), {}, {"XDG_RUNTIME_DIR"});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, QByteArray());
    WriteFile(home.filePath("session.json"), R"({"shapes": []})");
    const CliRun render =
        RunCli({"render", home.filePath("session.json"), home.filePath("out.bmp")}, home.path(), {},
               {"XDG_RUNTIME_DIR"});
    ASSERT_EQ(render.exitCode, 0);
    EXPECT_EQ(render.err, QByteArray());
}

} // namespace

namespace {

// Mean grey of three rows at the top or the bottom, middle half of the width.
double EdgeGrey(const QImage& picture, bool top) {
    double sum = 0;
    int count = 0;
    for (int dy = 0; dy < 3; ++dy) {
        const int y = top ? dy : picture.height() - 1 - dy;
        for (int x = picture.width() / 4; x < picture.width() * 3 / 4; ++x) {
            sum += qGray(picture.pixel(x, y));
            ++count;
        }
    }
    return sum / count;
}

TEST_F(CliRecordTest, SnapshotTurnsThePictureAsTheLiveViewDoes) {
    // The virtual microscope draws a dark scale along the top edge.
    CliRun run = RunCli({"snapshot", home.filePath("plain.bmp")}, home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QImage plain(home.filePath("plain.bmp"));
    EXPECT_LT(EdgeGrey(plain, true), EdgeGrey(plain, false));

    run = RunCli({"snapshot", home.filePath("turned.bmp"), "--rotate"}, home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QImage turned(home.filePath("turned.bmp"));
    EXPECT_GT(EdgeGrey(turned, true), EdgeGrey(turned, false));
}

} // namespace
