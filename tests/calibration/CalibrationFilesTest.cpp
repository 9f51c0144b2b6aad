#include "calibration/CalibrationFiles.h"

#include "calibration/Calibration.h"
#include "tests/support/TestEnvironment.h"

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>

#include <QFile>

namespace {

class CalibrationFilesTest : public ::testing::Test {
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

// Runs `action` while no file of this process may grow beyond `bytes`: a
// write past the limit fails half-way, as on a full disk.
template <typename Action>
void WithFileSizeLimit(rlim_t bytes, Action action) {
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = bytes;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    action();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
}

TEST_F(CalibrationFilesTest, SavesTheDocumentedLayout) {
    g_calibrationStore.records = {{"CAL1", "mm", "1200.000000", "1.0"},
                                  {"a<b&\"c\"", "um", "5.500000", "2"}};
    ASSERT_TRUE(SaveCalibrations());
    const QByteArray bytes = ReadFile(StorePath());
    EXPECT_TRUE(bytes.startsWith("<LOBRIN>")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("<Calibration name=\"Data\">"));
    EXPECT_TRUE(bytes.contains(
        "<caldata name=\"CAL1\" Unit=\"mm\" ValueX=\"1200.000000\" ValueY=\"1.0\"/>"));
    EXPECT_FALSE(bytes.contains("<?xml"));

    ASSERT_TRUE(LoadCalibrations());
    ASSERT_EQ(g_calibrationStore.records.size(), 2u);
    EXPECT_EQ(g_calibrationStore.records[1].name, "a<b&\"c\"");
    EXPECT_EQ(g_calibrationStore.records[1].ValueY, "2");
}

TEST_F(CalibrationFilesTest, EmptyStoreKeepsOneEmptyCalibrationElement) {
    ASSERT_TRUE(SaveCalibrations());
    const QByteArray bytes = ReadFile(StorePath());
    EXPECT_TRUE(bytes.contains("<Calibration name=\"Data\"/>")) << bytes.toStdString();
    g_calibrationStore.records.push_back({"x", "mm", "1", "1"});
    ASSERT_TRUE(LoadCalibrations());
    EXPECT_TRUE(g_calibrationStore.records.empty());
}

TEST_F(CalibrationFilesTest, NonAsciiNamesSurviveASaveAndALoad) {
    g_calibrationStore.records = {{"校准1", "um", "100.000000", "1"},
                                  {"Mikrometer µm", "mm", "60.000000", "0,5"}};
    ASSERT_TRUE(SaveCalibrations());
    EXPECT_TRUE(ReadFile(StorePath()).contains("校准1"));
    g_calibrationStore.records.clear();
    ASSERT_TRUE(LoadCalibrations());
    ASSERT_EQ(g_calibrationStore.records.size(), 2u);
    EXPECT_EQ(g_calibrationStore.records[0].name, "校准1");
    EXPECT_EQ(g_calibrationStore.records[1].name, "Mikrometer µm");
    EXPECT_EQ(g_calibrationStore.records[1].ValueY, "0,5");
}

TEST_F(CalibrationFilesTest, ReadsAttributesByPositionWhateverTheNames) {
    WriteFile(StorePath(), "<Root><Anything>"
                           "<caldata Unit=\"um\" name=\"A\" ValueX=\"1\" ValueY=\"2\"/>"
                           "<other a=\"B\" b=\"cm\" c=\"3\" d=\"4\"/>"
                           "<caldata n=\"C\" u=\"mm\"/>"
                           "<caldata n=\"D\" u=\"mm\" x=\"5\" y=\"6\" again=\"E\"/>"
                           "</Anything><Ignored><caldata n=\"F\"/></Ignored></Root>");
    ASSERT_TRUE(LoadCalibrations());
    const auto& records = g_calibrationStore.records;
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].name, "um");
    EXPECT_EQ(records[0].Unit, "A");
    EXPECT_EQ(records[1].name, "B");
    EXPECT_EQ(records[1].ValueY, "4");
    EXPECT_EQ(records[2].name, "C");
    EXPECT_EQ(records[2].ValueX, "");
    EXPECT_EQ(records[3].name, "E");
    EXPECT_EQ(records[3].ValueY, "6");

    // Loading again replaces the store instead of adding to it.
    ASSERT_TRUE(LoadCalibrations());
    EXPECT_EQ(g_calibrationStore.records.size(), 4u);
}

TEST_F(CalibrationFilesTest, DocumentsWithoutTheExpectedLevelsGiveAnEmptyStore) {
    for (const QByteArray& xml : {QByteArray("<LOBRIN/>"), QByteArray("<LOBRIN>text</LOBRIN>"),
                                  QByteArray("<!-- only a comment --><LOBRIN><C/></LOBRIN>")}) {
        g_calibrationStore.records.push_back({"x", "mm", "1", "1"});
        WriteFile(StorePath(), xml);
        EXPECT_TRUE(LoadCalibrations()) << xml.toStdString();
        EXPECT_TRUE(g_calibrationStore.records.empty()) << xml.toStdString();
    }
}

TEST_F(CalibrationFilesTest, AMissingStoreIsEmptyAndABrokenOneIsNamedOnce) {
    // (the store's bytes, or no file; whether it loads; what the one line
    // about it holds)
    const struct {
        std::optional<QByteArray> bytes;
        bool loads;
        const char* says;
    } cases[] = {
        {std::nullopt, true, ""},
        {QByteArray("<LOBRIN><Calibration>"), false, "Error="},
        {QByteArray(""), false, "EMPTY"},
        {QByteArray("\xFF\xFE<\0L\0", 6), false, "Error="},
    };
    // Twice each, with a good store in between: the same fault after a
    // load that worked is news again.
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& c : cases) {
            QFile::remove(StorePath());
            if (c.bytes) {
                WriteFile(StorePath(), *c.bytes);
            }
            for (int load = 0; load < 2; ++load) {
                g_calibrationStore.records.push_back({"x", "mm", "1", "1"});
                testing::internal::CaptureStderr();
                EXPECT_EQ(LoadCalibrations(), c.loads);
                const std::string said = testing::internal::GetCapturedStderr();
                EXPECT_TRUE(g_calibrationStore.records.empty());
                if (load == 1 || c.loads) {
                    EXPECT_EQ(said, "") << c.says;
                    continue;
                }
                EXPECT_NE(said.find(StorePath().toStdString()), std::string::npos) << said;
                EXPECT_NE(said.find(c.says), std::string::npos) << said;
                EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
                EXPECT_EQ(said.find("Exiting"), std::string::npos) << said;
            }
            WriteFile(StorePath(), "<LOBRIN/>");
            ASSERT_TRUE(LoadCalibrations());
        }
    }
}

TEST_F(CalibrationFilesTest, ASaveThatFailsHalfWayLeavesTheOldFileWhole) {
    g_calibrationStore.records = {{"Old", "mm", "60.000000", "1"}};
    ASSERT_TRUE(SaveCalibrations());
    const QByteArray before = ReadFile(StorePath());

    for (int i = 0; i < 200; ++i) {
        g_calibrationStore.records.push_back(
            {QString("Record %1").arg(i), "um", "1234.567890", "1.0"});
    }
    bool saved = true;
    WithFileSizeLimit(static_cast<rlim_t>(before.size() + 100),
                      [&] { saved = SaveCalibrations(); });
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFile(StorePath()), before);

    ASSERT_TRUE(SaveCalibrations());
    ASSERT_TRUE(LoadCalibrations());
    EXPECT_EQ(g_calibrationStore.records.size(), 201u);
}

TEST_F(CalibrationFilesTest, DefaultCalibrationIsUtf16WithoutMarkOrTerminator) {
    ASSERT_TRUE(WriteDefaultCalibration("C1µ"));
    EXPECT_EQ(ReadFile(home.filePath("defaultcalibration.txt")), QByteArray("C\0001\0\xB5\0", 6));
    RemoveDefaultCalibration();
    EXPECT_FALSE(QFile::exists(home.filePath("defaultcalibration.txt")));
    RemoveDefaultCalibration();
}

TEST_F(CalibrationFilesTest, RestoreAppliesTheStoredNameAndDropsAnOddByte) {
    g_calibrationStore.records = {{"Cal", "um", "1200.000000", "1.0"}};
    WriteFile(home.filePath("defaultcalibration.txt"), QByteArray("c\0a\0L\0\x7F", 7));
    ASSERT_TRUE(RestoreDefaultCalibration());
    EXPECT_EQ(g_calibration.selectedName, "caL");
    EXPECT_EQ(g_calibration.unit, "um");
    EXPECT_EQ(g_calibration.unitFactor, 10000.0);
    EXPECT_EQ(g_calibration.scale, 1200.0);
    EXPECT_EQ(g_calibration.referenceLength, 1.0);
    // The file is read, never rewritten.
    EXPECT_EQ(ReadFile(home.filePath("defaultcalibration.txt")).size(), 7);
}

TEST_F(CalibrationFilesTest, RestoreOfANameNoLongerStoredKeepsTheCalibration) {
    g_calibration.unit = "cm";
    g_calibration.unitFactor = 1.0;
    g_calibration.scale = 42.0;
    EXPECT_FALSE(RestoreDefaultCalibration());

    ASSERT_TRUE(WriteDefaultCalibration("Gone"));
    g_calibrationStore.records = {{"Other", "um", "1200.000000", "1.0"}};
    EXPECT_FALSE(RestoreDefaultCalibration());
    EXPECT_EQ(g_calibration.selectedName, "");
    EXPECT_EQ(g_calibration.unit, "cm");
    EXPECT_EQ(g_calibration.unitFactor, 1.0);
    EXPECT_EQ(g_calibration.scale, 42.0);
}

} // namespace
