#include "calibration/ManualCalibration.h"

#include "calibration/Calibration.h"
#include "calibration/CalibrationFiles.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

class ManualCalibrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calibration = CCurrentCalibration{};
        g_calibrationStore.records.clear();
    }
    void TearDown() override {
        g_calibration = CCurrentCalibration{};
        g_calibrationStore.records.clear();
    }

    ScopedProgramFolder home;
};

TEST(ManualScale, ScalesByTheLineOverTheRealLength) {
    // A 120-pixel line over a 1 mm ruler at the initial 60 pixels per cm
    // reads 20 mm, so the ruler has 1200 pixels per cm.
    EXPECT_DOUBLE_EQ(*ManualScale(20.0, 1.0, 60.0), 1200.0);
    // The same line read in micrometres with the real length 1000 agrees.
    EXPECT_DOUBLE_EQ(*ManualScale(20000.0, 1000.0, 60.0), 1200.0);
    EXPECT_FALSE(ManualScale(0.0, 1.0, 60.0));
    EXPECT_FALSE(ManualScale(20.0, 0.0, 60.0));
    EXPECT_FALSE(ManualScale(20.0, -1.0, 60.0));
    EXPECT_FALSE(ManualScale(1e300, 1e-300, 60.0));
}

TEST_F(ManualCalibrationTest, StoresTheRecordAndMakesTheScaleCurrent) {
    g_calibration.selectedName = "Before";
    g_calibration.lastLineLength = 120.0 * 10.0 / 60.0;
    g_calibration.lineDrawn = true;
    ASSERT_EQ(CalibrateManually("CAL1", "mm", "1.0"), ManualCalibrationResult::Stored);
    EXPECT_EQ(g_calibration.scale, 1200.0);
    EXPECT_EQ(g_calibration.lastLineLength, 0.0);
    EXPECT_EQ(g_calibration.selectedName, "Before");
    EXPECT_EQ(g_calibration.unit, "mm");

    g_calibrationStore.records.clear();
    ASSERT_TRUE(LoadCalibrations());
    ASSERT_EQ(g_calibrationStore.records.size(), 1u);
    const CCalibrationData& record = g_calibrationStore.records[0];
    EXPECT_EQ(record.name, "CAL1");
    EXPECT_EQ(record.Unit, "mm");
    EXPECT_EQ(record.ValueX, "1200.000000");
    EXPECT_EQ(record.ValueY, "1.0");

    // Without a new line the next calibration has nothing to measure.
    EXPECT_EQ(CalibrateManually("CAL2", "mm", "1"), ManualCalibrationResult::NoLine);
}

TEST_F(ManualCalibrationTest, TheStartingLineLengthIsNoLine) {
    // The last line length starts at 2 without any line on any picture.
    ASSERT_EQ(g_calibration.lastLineLength, 2.0);
    EXPECT_EQ(CalibrateManually("CAL1", "mm", "2"), ManualCalibrationResult::NoLine);
    EXPECT_TRUE(g_calibrationStore.records.empty());
    EXPECT_EQ(g_calibration.scale, 60.0);
}

TEST_F(ManualCalibrationTest, RefusesInputThatWouldStoreANonsenseScale) {
    g_calibrationStore.records = {{"Cal1", "mm", "60.000000", "1"}};
    g_calibration.lastLineLength = 20.0;
    g_calibration.lineDrawn = true;
    using R = ManualCalibrationResult;
    EXPECT_EQ(CalibrateManually("", "mm", "1"), R::EmptyField);
    EXPECT_EQ(CalibrateManually("New", "", "1"), R::EmptyField);
    EXPECT_EQ(CalibrateManually("New", "mm", ""), R::EmptyField);
    EXPECT_EQ(CalibrateManually("CAL1", "mm", "1"), R::DuplicateTitle);
    EXPECT_EQ(CalibrateManually("New", "mm", "0"), R::BadRealLength);
    EXPECT_EQ(CalibrateManually("New", "mm", "-2"), R::BadRealLength);
    EXPECT_EQ(CalibrateManually("New", "mm", "one"), R::BadRealLength);
    EXPECT_EQ(CalibrateManually("New", "mm", "1e-320"), R::BadRealLength);
    EXPECT_EQ(g_calibrationStore.records.size(), 1u);
    EXPECT_EQ(g_calibration.scale, 60.0);
    EXPECT_EQ(g_calibration.lastLineLength, 20.0);
}

TEST_F(ManualCalibrationTest, AFailedSaveChangesNothing) {
    g_calibration.lastLineLength = 20.0;
    g_calibration.lineDrawn = true;
    QDir(home.path()).mkdir("data.xml"); // a folder where the file belongs
    EXPECT_EQ(CalibrateManually("CAL1", "mm", "1"), ManualCalibrationResult::SaveFailed);
    EXPECT_TRUE(g_calibrationStore.records.empty());
    EXPECT_EQ(g_calibration.scale, 60.0);
    EXPECT_EQ(g_calibration.lastLineLength, 20.0);
}

} // namespace
