#include "calibration/Calibration.h"

#include <gtest/gtest.h>

namespace {

class CalibrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calibration = CCurrentCalibration{};
        g_calibrationStore.records = {
            {"CAL1", "um", "1200.000000", "1.0"},
            {"Mikrometer", "MM", "600.5abc", "x"},
            {"cal1", "cm", "10", "2"},
        };
    }
    void TearDown() override {
        g_calibration = CCurrentCalibration{};
        g_calibrationStore.records.clear();
    }
};

TEST(ParseLeadingNumber, ReadsTheLeadingNumberOrZero) {
    EXPECT_EQ(ParseLeadingNumber("1200.000000"), 1200.0);
    EXPECT_EQ(ParseLeadingNumber("  -2.5e1mm"), -25.0);
    EXPECT_EQ(ParseLeadingNumber("+.5"), 0.5);
    EXPECT_EQ(ParseLeadingNumber("1.5e"), 1.5);
    EXPECT_EQ(ParseLeadingNumber("abc"), 0.0);
    EXPECT_EQ(ParseLeadingNumber(""), 0.0);
    EXPECT_EQ(ParseLeadingNumber("--5"), 0.0);
    EXPECT_EQ(ParseLeadingNumber("1,5"), 1.0);
    // Values that are no usable number give 0 rather than infinity or NaN.
    EXPECT_EQ(ParseLeadingNumber("1e999"), 0.0);
    EXPECT_EQ(ParseLeadingNumber("inf"), 0.0);
    EXPECT_EQ(ParseLeadingNumber("nan"), 0.0);
}

TEST(UnitFactorOf, KnowsFiveUnitsInAnyCase) {
    EXPECT_EQ(UnitFactorOf("nm"), 10000000.0);
    EXPECT_EQ(UnitFactorOf("UM"), 10000.0);
    EXPECT_EQ(UnitFactorOf("Mil"), 393.700787);
    EXPECT_EQ(UnitFactorOf("mM"), 10.0);
    EXPECT_EQ(UnitFactorOf("CM"), 1.0);
    EXPECT_FALSE(UnitFactorOf("µm"));
    EXPECT_FALSE(UnitFactorOf("mm "));
    EXPECT_FALSE(UnitFactorOf(""));
}

TEST_F(CalibrationTest, UnitFactorFollowsTheUnitAndKeepsItForUnknownUnits) {
    g_calibration.unit = "Um";
    EXPECT_EQ(UnitFactor(), 10000.0);
    g_calibration.unit = "furlong";
    EXPECT_EQ(UnitFactor(), 10000.0);
    EXPECT_EQ(g_calibration.unitFactor, 10000.0);
}

TEST_F(CalibrationTest, FindTakesTheFirstMatchWithoutRegardToCase) {
    QString unit = "keep";
    double x = -1.0;
    double y = -1.0;
    ASSERT_TRUE(FindCalibration("Cal1", unit, x, y));
    EXPECT_EQ(unit, "um");
    EXPECT_EQ(x, 1200.0);
    EXPECT_EQ(y, 1.0);

    ASSERT_TRUE(FindCalibration("MIKROMETER", unit, x, y));
    EXPECT_EQ(x, 600.5);
    EXPECT_EQ(y, 0.0);

    unit = "keep";
    x = -1.0;
    EXPECT_FALSE(FindCalibration("CAL", unit, x, y));
    EXPECT_EQ(unit, "keep");
    EXPECT_EQ(x, -1.0);
}

TEST_F(CalibrationTest, RemoveTakesOnlyTheFirstMatchOrEverything) {
    g_calibration.scale = 123.0;
    RemoveCalibration("CAL1");
    ASSERT_EQ(g_calibrationStore.records.size(), 2u);
    EXPECT_EQ(g_calibrationStore.records[0].name, "Mikrometer");
    EXPECT_EQ(g_calibrationStore.records[1].name, "cal1");

    RemoveCalibration("absent");
    EXPECT_EQ(g_calibrationStore.records.size(), 2u);

    RemoveCalibration("");
    EXPECT_TRUE(g_calibrationStore.records.empty());
    EXPECT_EQ(g_calibration.scale, 123.0);
}

TEST_F(CalibrationTest, ApplySetsUnitFactorScaleAndReferenceButNotTheName) {
    ASSERT_TRUE(ApplyCalibration("cal1"));
    EXPECT_EQ(g_calibration.unit, "um");
    EXPECT_EQ(g_calibration.unitFactor, 10000.0);
    EXPECT_EQ(g_calibration.scale, 1200.0);
    EXPECT_EQ(g_calibration.referenceLength, 1.0);
    EXPECT_EQ(g_calibration.selectedName, "");
    EXPECT_EQ(g_calibration.lastLineLength, 2.0);
}

TEST_F(CalibrationTest, ApplyRefusesMissingRecordsAndUnusableScales) {
    g_calibrationStore.records.push_back({"Zero", "nm", "0.000000", "1"});
    g_calibrationStore.records.push_back({"Text", "nm", "wide", "1"});
    for (const char* name : {"absent", "Zero", "Text"}) {
        EXPECT_FALSE(ApplyCalibration(name)) << name;
        EXPECT_EQ(g_calibration.unit, "mm");
        EXPECT_EQ(g_calibration.unitFactor, 10.0);
        EXPECT_EQ(g_calibration.scale, 60.0);
        EXPECT_EQ(g_calibration.referenceLength, 2.0);
    }
}

TEST_F(CalibrationTest, ConversionOfTheInitialCalibration) {
    const CUnitConversion conversion = CurrentConversion();
    EXPECT_DOUBLE_EQ(conversion.Length(60.0), 10.0);
    EXPECT_DOUBLE_EQ(conversion.Area(60.0 * 60.0), 100.0);

    g_calibration.scale = 500.0;
    EXPECT_DOUBLE_EQ(CurrentConversion().Length(100.0), 2.0);
}

} // namespace
