#include "tests/cli/CliTestSupport.h"

namespace {

using CliScaleBarTest = CliTest;

// Red pixels (the default line colour) along a row, from x0 to x1.
int RedAlong(const QImage& picture, int y, int x0, int x1) {
    int count = 0;
    for (int x = x0; x <= x1; ++x) {
        const QRgb pixel = picture.pixel(x, y);
        count += qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60 ? 1 : 0;
    }
    return count;
}

// The scale bar at 60 px/cm in mm on a 640-pixel-wide picture: 20 mm, a
// 120-pixel run of red in the bottom-right corner, none on the left.
void ExpectBar(const QImage& picture) {
    ASSERT_EQ(picture.width(), 640);
    int best = 0;
    for (int y = picture.height() - 30; y < picture.height(); ++y) {
        best = std::max(best, RedAlong(picture, y, 480, 639));
        EXPECT_EQ(RedAlong(picture, y, 0, 400), 0) << y;
    }
    EXPECT_GE(best, 118);
    EXPECT_LE(best, 122);
}

TEST_F(CliScaleBarTest, MeasureSavesTheBarWhenTheSessionAsks) {
    QImage grey(640, 480, QImage::Format_RGB32);
    grey.fill(qRgb(128, 128, 128));
    ASSERT_TRUE(grey.save(home.filePath("grey.bmp")));
    const QByteArray session = R"({"image": "grey.bmp", "scale_bar": true,
                                  "calibration": {"unit": "mm", "scale": 60}})";
    WriteFile(home.filePath("session.json"), session);
    CliRun run =
        RunCli({"measure", home.filePath("session.json"), "--save", home.filePath("bar.bmp")},
               home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    ExpectBar(QImage(home.filePath("bar.bmp")));

    WriteFile(home.filePath("session.json"), R"({"image": "grey.bmp", "scale_bar": false})");
    run = RunCli({"measure", home.filePath("session.json"), "--save", home.filePath("plain.bmp")},
                 home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QImage plain(home.filePath("plain.bmp"));
    for (int y = 0; y < plain.height(); ++y) {
        ASSERT_EQ(RedAlong(plain, y, 0, 639), 0) << y;
    }

    run = Measure(R"({"scale_bar": "yes"})");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("scale_bar")) << run.err.constData();
}

TEST_F(CliScaleBarTest, SnapshotBurnsTheBarInOnlyWhenAsked) {
    CliRun run =
        RunCli({"snapshot", home.filePath("bar.bmp"), "--device", "virtual:0", "--scale-bar"},
               home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    ExpectBar(QImage(home.filePath("bar.bmp")));

    run = RunCli({"snapshot", home.filePath("plain.bmp"), "--device", "virtual:0"}, home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QImage plain(home.filePath("plain.bmp"));
    EXPECT_LT(RedAlong(plain, plain.height() - 20, 480, 639), 10);
}

} // namespace
