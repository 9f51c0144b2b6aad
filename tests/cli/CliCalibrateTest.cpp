#include "tests/cli/CliTestSupport.h"

namespace {

// A ruler drawn as a 120-pixel line at 60 pixels per cm: 20 mm as measured.
const QByteArray kRuler = R"({"calibration": {"unit": "mm", "scale": 60},
    "shapes": [{"mode": 108, "points": [[10, 20], [130, 20], [70, 30]]}]})";

class CliCalibrateTest : public CliTest {
protected:
    CliRun Calibrate(const QByteArray& session, const QString& title, const QString& length) {
        WriteFile(home.filePath("session.json"), session);
        return RunCli({"calibrate", home.filePath("session.json"), title, length, "mm"},
                      home.path());
    }
};

} // namespace

TEST_F(CliCalibrateTest, StoresTheRecordAndFindsItAgainByName) {
    const CliRun run = Calibrate(kRuler, "ruler", "10");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["name"].toString(), "ruler");
    // The line read 20 mm but is 10 mm long: twice as many pixels per cm.
    EXPECT_DOUBLE_EQ(run.json["scale"].toDouble(), 120.0);
    EXPECT_EQ(run.json["store"].toString(), home.filePath("data.xml"));
    EXPECT_TRUE(ReadFile(home.filePath("data.xml")).contains("name=\"ruler\""));

    // A second one joins the first; the first is used by name.
    ASSERT_EQ(Calibrate(kRuler, "half", "40").exitCode, 0);
    const CliRun measured = Measure(R"({"calibration": {"name": "ruler"},
        "shapes": [{"mode": 108, "points": [[10, 20], [130, 20], [70, 30]]}]})");
    ASSERT_EQ(measured.exitCode, 0) << measured.err.toStdString();
    EXPECT_DOUBLE_EQ(Numbers(Shape(measured, 0)["result"])[0], 10.0);
    EXPECT_TRUE(ReadFile(home.filePath("data.xml")).contains("name=\"half\""));
}

TEST_F(CliCalibrateTest, RefusesWhatTheManualCalibrationRefuses) {
    ASSERT_EQ(Calibrate(kRuler, "ruler", "10").exitCode, 0);
    const QByteArray stored = ReadFile(home.filePath("data.xml"));

    CliRun run = Calibrate(kRuler, "RULER", "5");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("exists")) << run.err.toStdString();
    EXPECT_EQ(Calibrate(kRuler, "zero", "0").exitCode, 2);
    EXPECT_EQ(Calibrate(kRuler, "", "3").exitCode, 2);
    // Only the session's own lines measure the ruler.
    run = Calibrate(R"({"shapes": [{"mode": 109, "points": [[10, 20], [130, 80], [70, 30]]}]})",
                    "box", "3");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("no distance line")) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(ReadFile(home.filePath("data.xml")), stored);
}

TEST_F(CliCalibrateTest, AStoreThatCannotBeReadIsNeverOverwritten) {
    WriteFile(home.filePath("data.xml"), "<LOBRIN><Calibration");
    const CliRun run = Calibrate(kRuler, "ruler", "10");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("cannot load")) << run.err.toStdString();
    EXPECT_EQ(ReadFile(home.filePath("data.xml")), "<LOBRIN><Calibration");
}
