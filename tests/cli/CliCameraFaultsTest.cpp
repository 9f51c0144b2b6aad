#include "tests/cli/CliTestSupport.h"
#include "tests/recorder/RecorderTestSupport.h"

#include <QDir>

namespace {

// marnelo-cli against the virtual microscope playing a real camera's faults.
class CliCameraFaultsTest : public CliTest {
protected:
    ~CliCameraFaultsTest() override {
        qunsetenv("MARNELO_VIRTUAL_FAULTS");
        qunsetenv("MARNELO_CAMERA_STALL_MS");
    }
    CliRun Run(const char* faults, const QStringList& arguments) {
        qputenv("MARNELO_VIRTUAL_FAULTS", faults);
        return RunCli(arguments, home.path());
    }
};

TEST_F(CliCameraFaultsTest, StartFailuresExitWithTheReasonOrFallBackWithANote) {
    const QString out = home.filePath("shot.jpg");
    const QStringList large{"--size", "1920x1080"};
    const struct {
        const char* faults;
        QStringList options;
        int exitCode;
        const char* err;
    } cases[] = {
        {"bandwidth", large + QStringList{"--format", "YUYV"}, 2,
         "not enough bandwidth for YUYV at 1920x1080. Choose MJPG or a smaller size"},
        {"bandwidth", large, 0, "streaming MJPG at 1920x1080 instead"},
        {"busy", {}, 2, "Marnelo Virtual Microscope: The camera is busy"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults);
        const CliRun run = Run(c.faults, QStringList{"snapshot", out} + c.options);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.constData();
        EXPECT_TRUE(run.err.contains(c.err)) << run.err.constData();
        EXPECT_EQ(QFileInfo::exists(out), c.exitCode == 0);
        QFile::remove(out);
    }
    // The fallback saved the picture at the size asked for (run above).
    const CliRun run = Run("bandwidth", QStringList{"snapshot", out} + large);
    EXPECT_EQ(QImage(out).size(), QSize(1920, 1080));
}

TEST_F(CliCameraFaultsTest, AStalledCameraEndsTheSeriesWithoutAStalePicture) {
    qputenv("MARNELO_CAMERA_STALL_MS", "400");
    const CliRun run = Run("stall-after=20", {"snapshot", home.filePath("lapse.jpg"), "--count",
                                              "3", "--interval", "2"});
    EXPECT_EQ(run.exitCode, 2) << run.err.constData();
    EXPECT_TRUE(run.err.contains("restarted")) << run.err.constData();
    EXPECT_TRUE(run.err.contains("no picture came")) << run.err.constData();
    EXPECT_TRUE(QFileInfo::exists(home.filePath("lapse-0001.jpg")));
    EXPECT_FALSE(QFileInfo::exists(home.filePath("lapse-0003.jpg")));
}

TEST_F(CliCameraFaultsTest, OddFramesStillGiveAGoodPicture) {
    for (const char* faults : {"garbage-first=3", "no-dht", "no-eoi"}) {
        SCOPED_TRACE(faults);
        const QString out = home.filePath(QStringLiteral("%1.bmp").arg(faults));
        const CliRun run = Run(faults, {"snapshot", out});
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        const QImage picture(out);
        ASSERT_EQ(picture.size(), QSize(640, 480));
        EXPECT_LE(qGray(picture.pixel(320, 240)), 60) << "the disc";
        EXPECT_GE(qGray(picture.pixel(40, 240)), 180) << "the background";
    }
}

TEST_F(CliCameraFaultsTest, AnUnpluggedCameraEndsTheRecordingWhichStaysPlayable) {
    const QString out = home.filePath("clip.avi");
    // 30 camera frames are a second: 15 frames of the file at its 15 fps.
    const CliRun run = Run("unplug-after=30", {"record", out, "--seconds", "5"});
    EXPECT_EQ(run.exitCode, 2) << run.err.constData();
    EXPECT_TRUE(run.err.contains("no longer connected")) << run.err.constData();
    EXPECT_TRUE(run.err.contains(out.toUtf8())) << run.err.constData();
    const CDecodedVideo video = DecodeVideo(out.toStdString());
    EXPECT_EQ(video.error, "");
    EXPECT_GE(video.frames.size(), 10u);
    EXPECT_LE(video.frames.size(), 16u);
}

TEST_F(CliCameraFaultsTest, CameraCheckStreamsEveryFormatAndTriesEveryControl) {
    const CliRun run = Run("garbage-first=1", {"camera-check", "--seconds", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.json["id"].toString(), "virtual:0");
    const QJsonArray streams = run.json["streams"].toArray();
    QStringList streamed;
    for (const QJsonValue& value : streams) {
        const QJsonObject stream = value.toObject();
        streamed << QStringLiteral("%1 %2x%3")
                        .arg(stream["fourcc"].toString())
                        .arg(stream["width"].toInt())
                        .arg(stream["height"].toInt());
        EXPECT_GT(stream["frames"].toInt(), 0) << streamed.last().toStdString();
        EXPECT_GT(stream["fps"].toDouble(), 0.0);
    }
    EXPECT_EQ(streamed,
              (QStringList{"MJPG 2592x1944", "MJPG 640x480", "YUYV 2592x1944", "YUYV 640x480"}));
    const QJsonObject first = streams[0].toObject();
    EXPECT_EQ(first["undecodable"].toInt(), 1);
    EXPECT_TRUE(first["first_error"].toString().contains("JPEG"));
    EXPECT_EQ(streams[1].toObject()["undecodable"].toInt(), 0);
    EXPECT_EQ(streams[1].toObject()["first_error"].toString(), "");

    QStringList controls;
    for (const QJsonValue& value : run.json["controls"].toArray()) {
        controls << value.toObject()["name"].toString();
        EXPECT_TRUE(value.toObject()["ok"].toBool()) << controls.last().toStdString();
    }
    EXPECT_TRUE(controls.contains("Brightness") && controls.contains("Power Line Frequency"));
    EXPECT_FALSE(controls.contains("Exposure Time, Absolute")) << "inactive under auto exposure";

    const CliRun busy = Run("busy", {"camera-check", "--seconds", "0.1", "--text"});
    ASSERT_EQ(busy.exitCode, 0) << busy.err.constData();
    EXPECT_TRUE(busy.out.contains("MJPG 640x480: 0.0 fps, 0 frames, 0 dropped, 0 undecodable; "
                                  "first error: The camera is busy"))
        << busy.out.constData();
}

} // namespace
