#include "calibration/CalibrationCamera.h"

#include "calibration/Calibration.h"
#include "calibration/CalibrationFiles.h"
#include "calibration/ManualCalibration.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <QDir>
#include <QFile>

namespace {

const CCalibrationCamera kScope{QStringLiteral("usb-0000:00:14.0-2"), 1280, 720};

class CalibrationCameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calibration = CCurrentCalibration{};
        g_calibrationStore.records.clear();
    }
    void TearDown() override {
        g_calibration = CCurrentCalibration{};
        g_calibrationStore.records.clear();
    }

    QString StorePath() const { return home.filePath("data.xml"); }

    ScopedProgramFolder home;
};

// The records as a reader sees them that walks only each record's
// attributes by position (the way data.xml has always been read).
std::vector<std::array<QString, 4>> ReadByPosition(const QString& path) {
    tinyxml2::XMLDocument document;
    EXPECT_EQ(document.LoadFile(QFile::encodeName(path).constData()), tinyxml2::XML_SUCCESS);
    std::vector<std::array<QString, 4>> records;
    const auto* calibration = document.FirstChildElement()->FirstChildElement();
    for (const auto* element = calibration->FirstChildElement(); element != nullptr;
         element = element->NextSiblingElement()) {
        std::array<QString, 4> fields;
        int position = 0;
        for (const auto* attribute = element->FirstAttribute(); attribute != nullptr;
             attribute = attribute->Next()) {
            fields[position] = QString::fromUtf8(attribute->Value());
            position = (position + 1) % 4;
        }
        records.push_back(fields);
    }
    return records;
}

TEST_F(CalibrationCameraTest, TheCameraSurvivesASaveAndOlderReadersStillSeeFourFields) {
    CCalibrationData made{"Live", "um", "6000.000000", "100"};
    made.camera = kScope;
    g_calibrationStore.records = {{"Old", "mm", "1200.000000", "1.0"}, made};
    ASSERT_TRUE(SaveCalibrations());

    const auto seen = ReadByPosition(StorePath());
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], (std::array<QString, 4>{"Live", "um", "6000.000000", "100"}));
    EXPECT_EQ(seen[0], (std::array<QString, 4>{"Old", "mm", "1200.000000", "1.0"}));

    g_calibrationStore.records.clear();
    ASSERT_TRUE(LoadCalibrations());
    ASSERT_EQ(g_calibrationStore.records.size(), 2u);
    EXPECT_FALSE(g_calibrationStore.records[0].camera);
    ASSERT_TRUE(g_calibrationStore.records[1].camera);
    EXPECT_EQ(*g_calibrationStore.records[1].camera, kScope);
    EXPECT_EQ(g_calibrationStore.records[1].ValueX, "6000.000000");
}

TEST_F(CalibrationCameraTest, FilesWithoutOrWithBrokenCameraRecordsLoadTheirCalibrations) {
    WriteFile(
        StorePath(),
        R"(<LOBRIN><Calibration name="Data">)"
        R"(<caldata name="A" Unit="mm" ValueX="60" ValueY="1"/>)"
        R"(<caldata name="B" Unit="mm" ValueX="61" ValueY="1"><camera width="640" height="480"/></caldata>)"
        R"(<caldata name="C" Unit="mm" ValueX="62" ValueY="1"><camera id="x" width="-640" height="480"/></caldata>)"
        R"(<caldata name="D" Unit="mm" ValueX="63" ValueY="1"><camera id="x" width="wide" height="480"/></caldata>)"
        R"(<caldata name="E" Unit="mm" ValueX="64" ValueY="1"><camera id="x" width="99999999999" height="1"/></caldata>)"
        R"(<caldata name="F" Unit="mm" ValueX="65" ValueY="1"><other/><camera id="cam" width="640" height="480"/></caldata>)"
        R"(</Calibration></LOBRIN>)");
    ASSERT_TRUE(LoadCalibrations());
    const auto& records = g_calibrationStore.records;
    ASSERT_EQ(records.size(), 6u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_FALSE(records[i].camera) << i;
        EXPECT_EQ(records[i].ValueX.toInt(), 60 + static_cast<int>(i));
    }
    ASSERT_TRUE(records[5].camera);
    EXPECT_EQ(*records[5].camera, (CCalibrationCamera{"cam", 640, 480}));
}

TEST_F(CalibrationCameraTest,
       SaysWhereTheCalibrationDoesNotFitAndOffersARescaleOnlyForTheSameShape) {
    const CCalibrationCamera other{QStringLiteral("usb-0000:00:14.0-3"), 1280, 720};
    const CCalibrationCamera half{kScope.id, 640, 360};
    const CCalibrationCamera square{kScope.id, 640, 480};

    EXPECT_EQ(CheckCameraFit(std::nullopt, 1200, kScope).fit, CameraFit::Unknown);
    EXPECT_EQ(CheckCameraFit(kScope, 1200, kScope).fit, CameraFit::Same);
    const CCameraFitCheck elsewhere = CheckCameraFit(kScope, 1200, other);
    EXPECT_EQ(elsewhere.fit, CameraFit::OtherCamera);
    EXPECT_FALSE(elsewhere.rescaled);

    const CCameraFitCheck smaller = CheckCameraFit(kScope, 1200, half);
    EXPECT_EQ(smaller.fit, CameraFit::OtherFrameSize);
    ASSERT_TRUE(smaller.rescaled);
    EXPECT_DOUBLE_EQ(*smaller.rescaled, 600.0);
    EXPECT_DOUBLE_EQ(*CheckCameraFit(half, 600, kScope).rescaled, 1200.0);

    const CCameraFitCheck cropped = CheckCameraFit(kScope, 1200, square);
    EXPECT_EQ(cropped.fit, CameraFit::OtherFrameSize);
    EXPECT_FALSE(cropped.rescaled);

    // A camera not known yet, or a record without a size, says nothing.
    EXPECT_EQ(CheckCameraFit(kScope, 1200, CCalibrationCamera{}).fit, CameraFit::Unknown);
    EXPECT_EQ(CheckCameraFit(CCalibrationCamera{kScope.id, 0, 0}, 1200, half).fit,
              CameraFit::Unknown);

    EXPECT_EQ(CameraFitWarning(smaller, kScope, half),
              QStringLiteral("The calibration in use was made at 1280 × 720, the camera shows "
                             "640 × 360"));
    EXPECT_FALSE(CameraFitWarning(elsewhere, kScope, other).isEmpty());
    EXPECT_EQ(CameraRescaleQuestion(smaller, kScope, half),
              QStringLiteral("The calibration in use was made at 1280 × 720. Rescale it to "
                             "640 × 360 for this session?"));
    EXPECT_TRUE(CameraRescaleQuestion(cropped, kScope, square).isEmpty());
    EXPECT_TRUE(CameraRescaleQuestion(elsewhere, kScope, other).isEmpty());
    EXPECT_TRUE(CameraFitWarning(CheckCameraFit(kScope, 1200, kScope), kScope, kScope).isEmpty());
}

TEST_F(CalibrationCameraTest, ARescaleActsForTheSessionOnlyAndThenFits) {
    g_calibrationStore.records = {{"Live", "mm", "1200.000000", "1.0", kScope}};
    ASSERT_TRUE(SaveCalibrations());
    ASSERT_TRUE(ApplyCalibration("live"));
    ASSERT_EQ(g_calibration.camera, kScope);

    const CCalibrationCamera half{kScope.id, 640, 360};
    EXPECT_FALSE(RescaleCurrentCalibration(CheckCurrentCalibrationCamera(kScope), kScope));
    ASSERT_TRUE(RescaleCurrentCalibration(CheckCurrentCalibrationCamera(half), half));
    EXPECT_DOUBLE_EQ(g_calibration.scale, 600.0);
    EXPECT_EQ(CheckCurrentCalibrationCamera(half).fit, CameraFit::Same);

    ASSERT_TRUE(LoadCalibrations());
    EXPECT_EQ(g_calibrationStore.records[0].ValueX, "1200.000000");
    EXPECT_EQ(g_calibrationStore.records[0].camera, kScope);
}

TEST_F(CalibrationCameraTest, StoredCamerasComeBackAndApplyingARecordBringsItsCamera) {
    const CCalibrationCamera old{"cam", 640, 480};
    g_calibrationStore.records = {{"Other", "mm", "60.000000", "1.0"},
                                  {"Ruler", "mm", "60.000000", "1.0"}};
    g_calibrationStore.records[0].camera = old;
    g_calibrationStore.records[1].camera = kScope;
    ASSERT_TRUE(SaveCalibrations());
    ASSERT_TRUE(LoadCalibrations());
    ASSERT_EQ(g_calibrationStore.records.size(), 2u);
    EXPECT_EQ(g_calibrationStore.records[0].camera, old);
    EXPECT_EQ(g_calibrationStore.records[1].camera, kScope);

    // Applying a record brings its camera; one made elsewhere has none.
    ASSERT_TRUE(ApplyCalibration("Other"));
    EXPECT_EQ(g_calibration.camera, old);
    g_calibrationStore.records.push_back({"Plain", "mm", "90.000000", "1.0"});
    ASSERT_TRUE(ApplyCalibration("Plain"));
    EXPECT_FALSE(g_calibration.camera);
}

} // namespace
