#include "reports/ResultRows.h"

#include "calibration/Calibration.h"
#include "camera/VideoShape.h"
#include "core/Language.h"
#include "core/Parameters.h"
#include "shapes/ShapeFactory.h"
#include "shapes/ShapeKinds.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

class ResultRowsTest : public ::testing::Test {
protected:
    ResultRowsTest() {
        g_calibration = CCurrentCalibration{};
        g_parameters.measuredecimal = 2;
    }
    ~ResultRowsTest() override { g_calibration = CCurrentCalibration{}; }

    // A completed shape of the mode whose raw measures are `measures`.
    const CShape* Shape(int mode, std::array<double, 3> measures, const QString& text = {}) {
        CShapeParams params;
        params.text = text;
        std::unique_ptr<CShape> shape = CreateShape(mode, params);
        CompleteShape(*shape, 0);
        shape->measure = measures;
        owned.push_back(std::move(shape));
        return owned.back().get();
    }

    void Live(int kind, std::array<double, 3> measured, const QString& text = {}) {
        live.push_back(std::make_unique<CVideoShap>(CVideoShap{kind, measured, text}));
    }

    QStringList Still(const std::vector<const CShape*>& shapes) {
        return FlattenResultRows(StillResultRows(shapes, CurrentResultFormat()));
    }

    ScopedProgramFolder home;
    std::vector<std::unique_ptr<CShape>> owned;
    std::vector<std::unique_ptr<CVideoShap>> live;
};

TEST_F(ResultRowsTest, NumbersTheMeasurementsOfAllKindsInListOrder) {
    const std::vector<const CShape*> shapes = {
        Shape(MeasureMode::kText, {}, "Gap A"),
        Shape(MeasureMode::kSquareMark, {5, 0, 0}),
        Shape(MeasureMode::kFourPointAngle, {45, 0, 0}),
        Shape(MeasureMode::kTwoCircles, {30, 12, 90}),
    };
    EXPECT_EQ(Still(shapes), (QStringList{"Text 0", "Gap A", "Square mark 1", "SqureMark 5",
                                          "Angle 2", "Angle 45.00°",
                                          // Both radii around the distance of the centres.
                                          "Distance of 2 circles 3", "Radius 5.00 mm",
                                          "Length 15.00 mm", "Radius 2.00 mm"}));
    const std::vector<CResultEntry> entries = StillResultRows(shapes, CurrentResultFormat());
    ASSERT_EQ(entries.size(), shapes.size());
    EXPECT_EQ(entries[3].position, 3u);
}

TEST_F(ResultRowsTest, CirclesUseSinglePrecisionPiAndPolygonsConvertTheirArea) {
    g_parameters.measuredecimal = 6;
    EXPECT_EQ(
        Still({Shape(MeasureMode::kCircle, {60, 0, 0}),
               Shape(MeasureMode::kThreePointCircle, {60, 0, 0}),
               Shape(MeasureMode::kEllipse, {60, 30, 0}),
               Shape(MeasureMode::kPolygon, {240, 3600, 0})}),
        (QStringList{"Circle 0", "Diameter 20.000000 mm", "Girth 62.831855 mm",
                     "Area 314.159274 mm²", "Circle 1", "Radius 10.000000 mm", "Girth 62.831855 mm",
                     "Area 314.159274 mm²", "Ellipse 2", "LongRadius 10.000000 mm",
                     "ShortRadius 5.000000 mm", "Girth 51.415927 mm", "Area 157.079637 mm²",
                     "Polygon 3", "Area 100.000000 mm²", "Girth 40.000000 mm"}));
}

TEST_F(ResultRowsTest, ValuesFollowTheCalibrationAndDecimalsOfTheMoment) {
    const std::vector<const CShape*> shapes = {Shape(MeasureMode::kHorizontalLine, {120, 0, 0}),
                                               Shape(MeasureMode::kRectangle, {60, 30, 0})};
    g_calibration.unit = "um";
    UnitFactor();
    g_parameters.measuredecimal = 1;
    EXPECT_EQ(Still(shapes),
              (QStringList{"Line 0", "Length 20000.0 um", "Rectangle 1", "Width 10000.0 um",
                           "Height 5000.0 um", "Girth 30000.0 um", "Area 50000000.0 um²"}));

    // A setting out of range is kept within 0..15 places.
    g_parameters.measuredecimal = 99;
    EXPECT_EQ(CurrentResultFormat().decimals, 15);
    g_parameters.measuredecimal = -3;
    EXPECT_EQ(Still({shapes[0]}), (QStringList{"Line 0", "Length 20000 um"}));
}

TEST_F(ResultRowsTest, TheLiveListHasItsOwnCodesAndOrder) {
    Live(LiveKind::kArc, {60, 90, 0});
    Live(LiveKind::kCrosshair, {});
    Live(LiveKind::kPolygon, {240, 3600, 0});
    Live(LiveKind::kFoldLine, {120, 0, 0});
    Live(LiveKind::kSquareMark, {3, 0, 0});
    Live(LiveKind::kText, {}, "scratch");
    Live(LiveKind::kVerticalLine, {60, 0, 0});
    const std::vector<CResultEntry> entries = LiveResultRows(live, CurrentResultFormat());
    EXPECT_EQ(FlattenResultRows(entries),
              (QStringList{"Arc 0", "Radius 10.00 mm", "Angle 90.00°", "Radian 15.71 ",
                           "Area 78.54 mm²", "Polygon 1", "Girth 40.00 mm", "Area 100.00 mm²",
                           "Fold-Lines 2", "Length 20.00 mm", "Square mark 3", "SqureMark 3",
                           "Text 4", "scratch", "Line 5", "Length 10.00 mm"}));
    // The crosshair takes no number; each entry remembers where it came from.
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[1].position, 2u);
    EXPECT_EQ(entries[5].position, 6u);
}

TEST_F(ResultRowsTest, NamesComeFromTheLanguageFile) {
    home.InstallLanguageFiles();
    SelectLanguageFile(9, 1);
    const std::vector<const CShape*> shapes = {Shape(MeasureMode::kLineCircle, {30, 0, 60}),
                                               Shape(MeasureMode::kPointLine, {60, 0, 0})};
    // The line-circle tool's prompt has a key that differs from the name's
    // only in case; the name must not be the prompt.
    EXPECT_EQ(Still(shapes),
              (QStringList{"Distance of a circle and a line 0", "Radius 5.00 mm", "Length 10.00 mm",
                           "Distance of a point and a line 1", "Length 10.00 mm"}));

    SelectLanguageFile(4, 2);
    const QStringList chinese = Still(shapes);
    EXPECT_EQ(chinese.value(0), QString::fromUtf8("圆与直线的距离 0"));
    EXPECT_EQ(chinese.value(1), QString::fromUtf8("半径 5.00 mm"));
}

} // namespace
