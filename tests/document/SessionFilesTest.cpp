#include "document/SessionFiles.h"

#include "calibration/Calibration.h"
#include "camera/SnapshotSession.h"
#include "core/Parameters.h"
#include "shapes/ShapeKinds.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>

// Sessions beside pictures: they come back only for the very picture they
// were saved for, and a snapshot of the live picture keeps its live shapes.

namespace {

class SessionFilesTest : public ::testing::Test {
protected:
    SessionFilesTest() {
        g_calibration = CCurrentCalibration{};
        g_calibrationStore = CCalibrationStore{};
        g_parameters.measuredecimal = 2;
    }
    ~SessionFilesTest() override {
        g_calibration = CCurrentCalibration{};
        g_calibrationStore = CCalibrationStore{};
    }

    ScopedProgramFolder home;
    QString picture = home.filePath("grains.bmp");
};

CSessionShape Line(double y) {
    CSessionShape line;
    line.mode = MeasureMode::kLine;
    line.points = {{10, y}, {70, y}, {40, y + 10}};
    return line;
}

CVideoShap Live(int kind, std::vector<ShapePoint> points) {
    CVideoShap shape;
    shape.kind = kind;
    shape.points = std::move(points);
    return shape;
}

} // namespace

TEST_F(SessionFilesTest, ASessionComesBackOnlyForThePictureItWasSavedFor) {
    WriteFile(picture, "picture bytes");
    EXPECT_EQ(ReadSessionBeside(picture, 200, 100).status, SessionLoadStatus::None);

    g_calibrationStore.records.push_back({"Objective 4x", "um", "1234.5", "100"});
    g_calibration.selectedName = QStringLiteral("Objective 4x");
    g_calibration.unit = QStringLiteral("um");
    UnitFactor();
    g_calibration.scale = 1234.5;
    g_parameters.measuredecimal = 4;
    QString error;
    ASSERT_TRUE(SaveSessionBeside(picture, 200, 100, {Line(20), Line(50)}, &error))
        << error.toStdString();
    ASSERT_TRUE(QFile::exists(home.filePath("grains.bmp.marnelo.json")));

    g_calibration = CCurrentCalibration{};
    g_parameters.measuredecimal = 2;
    const CSessionLoad load = ReadSessionBeside(picture, 200, 100);
    ASSERT_EQ(load.status, SessionLoadStatus::Loaded) << load.message.toStdString();
    EXPECT_EQ(load.session.pictureFile, "grains.bmp");
    ASSERT_EQ(load.session.shapes.size(), 2u);
    EXPECT_EQ(load.session.shapes[1].points, Line(50).points);
    ApplySessionCalibration(load.session);
    EXPECT_EQ(g_calibration.selectedName, "Objective 4x");
    EXPECT_EQ(g_calibration.unit, "um");
    EXPECT_EQ(g_calibration.unitFactor, 10000.0);
    EXPECT_EQ(g_calibration.scale, 1234.5);
    EXPECT_EQ(g_parameters.measuredecimal, 4);
    // A name the store no longer holds is not shown as applied.
    g_calibrationStore.records.clear();
    ApplySessionCalibration(load.session);
    EXPECT_TRUE(g_calibration.selectedName.isEmpty());

    // A picture of another size with the same bytes cannot be the same one.
    EXPECT_EQ(ReadSessionBeside(picture, 201, 100).status, SessionLoadStatus::Invalid);

    // The picture changed (saved with the shapes burned in, for one).
    WriteFile(picture, "picture bytes, changed");
    const CSessionLoad changed = ReadSessionBeside(picture, 200, 100);
    EXPECT_EQ(changed.status, SessionLoadStatus::Mismatch);
    EXPECT_TRUE(changed.message.contains("the picture was changed"))
        << changed.message.toStdString();

    WriteFile(home.filePath("grains.bmp.marnelo.json"), "{\"version\": 1, \"shapes\": [");
    const CSessionLoad broken = ReadSessionBeside(picture, 200, 100);
    EXPECT_EQ(broken.status, SessionLoadStatus::Invalid);
    EXPECT_TRUE(broken.message.startsWith("grains.bmp.marnelo.json: malformed JSON"))
        << broken.message.toStdString();
}

TEST_F(SessionFilesTest, SavingFailsWithoutThePictureAndKeepsTheOlderSession) {
    QString error;
    EXPECT_FALSE(SaveSessionBeside(picture, 200, 100, {Line(20)}, &error));
    EXPECT_TRUE(error.contains("grains.bmp")) << error.toStdString();
    EXPECT_FALSE(QFile::exists(SessionPathFor(picture)));

    WriteFile(picture, "picture bytes");
    ASSERT_TRUE(SaveSessionBeside(picture, 200, 100, {Line(20)}, &error));
    const QByteArray first = ReadFile(SessionPathFor(picture));
    EXPECT_FALSE(SaveSessionBeside(picture, 200, 100, {Line(30)}, &error, SessionWrite::NewOnly));
    EXPECT_EQ(ReadFile(SessionPathFor(picture)), first);
    EXPECT_TRUE(SaveSessionBeside(picture, 200, 100, {Line(30)}, &error));
    EXPECT_NE(ReadFile(SessionPathFor(picture)), first);
}

TEST_F(SessionFilesTest, ASnapshotKeepsItsLiveShapesAsStillShapes) {
    ASSERT_TRUE(FlatPicture(320, 240, {200, 200, 200}).Save(picture.toStdString(), ImageType::Bmp));
    std::vector<CVideoShap> live;
    live.push_back(Live(LiveKind::kLine, {{10, 20}, {110, 20}, {50, 30}}));
    live.push_back(Live(LiveKind::kCrosshair, {{80, 80}}));
    live.push_back(
        Live(LiveKind::kPolygon, {{10, 100}, {90, 100}, {90, 180}, {10, 180}, {50, 140}}));
    live.push_back(Live(LiveKind::kText, {{200, 40}}));
    live.back().labelText = QStringLiteral("fibre, \"A\"");
    live.push_back(Live(LiveKind::kCircleMark, {{250, 200}}));
    live.back().measured[0] = 4;
    live.back().marked = 1;
    live.push_back(Live(LiveKind::kRectangle, {{1, 1}})); // too few points: left out

    QString error;
    ASSERT_TRUE(SaveSnapshotSession(picture, live, nullptr, &error)) << error.toStdString();
    const CSessionLoad load = ReadSessionBeside(picture, 320, 240);
    ASSERT_EQ(load.status, SessionLoadStatus::Loaded) << load.message.toStdString();
    const auto shapes = BuildSessionShapes(load.session);
    ASSERT_EQ(shapes.size(), 4u);
    EXPECT_EQ(shapes[0]->kind, ShapeKind::kLine);
    EXPECT_DOUBLE_EQ(shapes[0]->measure[0], 100.0);
    EXPECT_EQ(shapes[1]->kind, ShapeKind::kPolygon);
    EXPECT_EQ(shapes[1]->points[3], (ShapePoint{10, 180}));
    EXPECT_EQ(shapes[1]->points[kShapePointSlots - 1], (ShapePoint{50, 140}));
    EXPECT_DOUBLE_EQ(shapes[1]->measure[1], 6400.0);
    EXPECT_EQ(shapes[2]->text, "fibre, \"A\"");
    EXPECT_EQ(shapes[3]->kind, ShapeKind::kCircleMark);
    EXPECT_EQ(shapes[3]->measure[0], 4.0);
    EXPECT_EQ(shapes[3]->exportMark, 1);
    EXPECT_EQ(shapes[0]->serial, -1);
    EXPECT_EQ(shapes[3]->serial, 2);

    // A session already there is never replaced; no shapes, no file.
    const QByteArray kept = ReadFile(SessionPathFor(picture));
    EXPECT_FALSE(SaveSnapshotSession(picture, {live[0]}, nullptr, &error));
    EXPECT_EQ(ReadFile(SessionPathFor(picture)), kept);
    const QString other = home.filePath("empty.bmp");
    ASSERT_TRUE(FlatPicture(32, 32, {0, 0, 0}).Save(other.toStdString(), ImageType::Bmp));
    EXPECT_TRUE(SaveSnapshotSession(other, {live[1]}, nullptr, &error));
    EXPECT_FALSE(QFile::exists(SessionPathFor(other)));
}
