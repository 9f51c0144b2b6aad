#include "tests/cli/CliTestSupport.h"

#include <QDir>

namespace {

using CliCameraTest = CliTest;

TEST_F(CliCameraTest, DevicesListTheVirtualMicroscopeWithItsFormats) {
    const CliRun run = RunCli({"devices"}, home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QJsonArray devices = run.json["devices"].toArray();
    ASSERT_FALSE(devices.isEmpty());
    const QJsonObject last = devices.last().toObject();
    EXPECT_EQ(last["id"].toString(), "virtual:0");
    EXPECT_EQ(last["name"].toString(), "Marnelo Virtual Microscope");
    EXPECT_EQ(last["slot"].toInt(), devices.size() - 1);
    EXPECT_TRUE(last["still"].toBool());
    const QJsonArray formats = last["formats"].toArray();
    ASSERT_EQ(formats.size(), 8) << "MJPG and YUYV at four sizes";
    const QJsonObject first = formats[0].toObject();
    EXPECT_EQ(first["fourcc"].toString(), "MJPG");
    EXPECT_EQ(first["width"].toInt(), 640);
    EXPECT_EQ(first["height"].toInt(), 480);
    EXPECT_EQ(first["fps"].toArray().first().toDouble(), 30.0);
    EXPECT_EQ(first["fps"].toArray().last().toDouble(), 5.0);
}

TEST_F(CliCameraTest, SnapshotWritesPicturesAndNeverReplacesOne) {
    const QString out = home.filePath("shot.jpg");
    CliRun run = RunCli({"snapshot", out, "--device", "Marnelo Virtual Microscope", "--size",
                         "1280x720", "--format", "yuyv"},
                        home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out.trimmed(), out.toUtf8());
    const QImage picture(out);
    EXPECT_EQ(picture.size(), QSize(1280, 720));
    EXPECT_LE(qGray(picture.pixel(640, 360)), 60) << "the disc";
    EXPECT_FALSE(QFileInfo::exists(home.filePath("CapConfig.dat")))
        << "a command-line choice is not remembered";

    run = RunCli({"snapshot", out, "--device", "virtual:0"}, home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out.trimmed(), home.filePath("shot-2.jpg").toUtf8());
    EXPECT_EQ(QImage(out).size(), QSize(1280, 720)) << "the first picture is untouched";
    EXPECT_EQ(QImage(home.filePath("shot-2.jpg")).size(), QSize(640, 480));

    run = RunCli({"snapshot", home.filePath("lapse.bmp"), "--count", "3", "--interval", "0.1"},
                 home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QStringList written = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(written.size(), 3);
    EXPECT_EQ(written[2], home.filePath("lapse-0003.bmp"));
    const QByteArray first = ReadFile(home.filePath("lapse-0001.bmp"));
    EXPECT_TRUE(first.startsWith("BM"));
    EXPECT_NE(first, ReadFile(home.filePath("lapse-0002.bmp"))) << "a new frame each time";
}

TEST_F(CliCameraTest, SnapshotImprintsSessionShapesInFramePixelsAsLiveShapes) {
    WriteFile(home.filePath("live.json"), R"({
        "calibration": {"unit": "mm", "scale": 60.0},
        "shapes": [
            {"mode": 108, "points": [[420, 420], [600, 420], [500, 440]]},
            {"mode": 120, "points": [[120, 240]]}
        ]})");
    const QString out = home.filePath("imprinted.bmp");
    const CliRun run = RunCli(
        {"snapshot", out, "--session", home.filePath("live.json"), "--size", "640x480", "--mirror"},
        home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QImage picture(out);
    ASSERT_EQ(picture.size(), QSize(640, 480));
    const QRgb red = qRgb(255, 0, 0);
    // The distance at the frame's own pixels, upright, after the mirror.
    EXPECT_EQ(picture.pixel(500, 420), red);
    EXPECT_EQ(picture.pixel(420, 430), red) << "the end mark's bar";
    // A live square mark is 20 × 20, not the still picture's 30 × 30.
    EXPECT_EQ(picture.pixel(110, 240), red);
    EXPECT_EQ(picture.pixel(129, 240), red);
    EXPECT_NE(picture.pixel(105, 240), red);
    // The length label "L:30.00mm" lies at the anchor, in the text colour.
    int labelPixels = 0;
    for (int y = 440; y < 460; ++y) {
        for (int x = 500; x < 560; ++x) {
            const QRgb pixel = picture.pixel(x, y);
            labelPixels += qRed(pixel) - qGreen(pixel) > 100 ? 1 : 0;
        }
    }
    EXPECT_GT(labelPixels, 40);
}

TEST_F(CliCameraTest, BadRequestsFailWithOneLineAndWriteNothing) {
    const QString out = home.filePath("bad.jpg");
    const QList<QStringList> requests{
        {"snapshot", out, "--device", "no such camera"},
        {"snapshot", out, "--size", "800x600"},
        {"snapshot", out, "--format", "H264"},
        {"snapshot", out, "--format", "MJPEG"},
        {"snapshot", out, "--size", "big"},
        {"snapshot", out, "--count", "0"},
        {"snapshot", out, "--interval", "1"},
        {"snapshot", home.filePath("bad.gif")},
        {"snapshot", home.filePath("missing/folder/bad.jpg")},
        {"snapshot", "/proc/bad.jpg"},
        {"snapshot"},
        {"snapshot", out, "--session", home.filePath("missing.json")},
        {"snapshot", out, "--session", home.filePath("broken.json")},
        {"snapshot", out, "--session", home.filePath("unknown.json")},
    };
    WriteFile(home.filePath("broken.json"), "{\"shapes\": [");
    WriteFile(home.filePath("unknown.json"), R"({"shapes": [{"mode": 999, "points": [[1, 1]]}]})");
    for (const QStringList& request : requests) {
        const CliRun run = RunCli(request, home.path());
        EXPECT_EQ(run.exitCode, 2) << request.join(' ').toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << request.join(' ').toStdString() << run.err.constData();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(RunCli({"devices", "extra"}, home.path()).exitCode, 2);
    EXPECT_EQ(QDir(home.path()).entryList({"bad*"}).size(), 0);
}

} // namespace
