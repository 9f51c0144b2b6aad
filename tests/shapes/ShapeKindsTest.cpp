#include "shapes/ShapeKinds.h"

#include "core/Parameters.h"
#include "shapes/CircleShapes.h"
#include "tests/shapes/ShapeTestSupport.h"

#include <cmath>
#include <set>

namespace {

namespace M = MeasureMode;

// Degrees as the shapes compute them (180 ÷ 3.1415926, not 180 ÷ π).
constexpr double kDegree = 3.14159265358979323846 / 3.1415926;
constexpr ShapePoint kAnchor{5, 5};

TEST_F(ShapeTest, EveryModeBuildsItsKind) {
    struct Expected {
        int mode, kind;
        const char* className;
        int pointCount;
    };
    const Expected table[] = {
        {108, 1, "CLine", 3},      {138, 100, "CHLine", 3},         {139, 101, "CVLine", 3},
        {109, 2, "CRectangle", 3}, {110, 3, "CEllipse", 3},         {166, 66, "CRCircle", 3},
        {111, 4, "CCircle", 3},    {188, 88, "CTPCircle", 7},       {112, 5, "CArc", 4},
        {115, 6, "CTAngle", 4},    {116, 12, "CFAngle", 0},         {117, 7, "CParallel", 4},
        {118, 8, "CDotLine", 4},   {119, 13, "CTCircle", 0},        {124, 17, "CLineCircle", 0},
        {113, 14, "CPolygon", 11}, {114, 15, "CContinualLine", 11}, {123, 16, "CAutoCircle", 7},
        {122, 22, "CAutoLine", 5}, {120, 9, "CSquare", 0},          {130, 10, "CCquare", 0},
        {121, 11, "CText", 0},
    };
    ASSERT_EQ(ShapeKindTable().size(), std::size(table));
    std::set<int> kinds;
    for (const Expected& e : table) {
        const std::unique_ptr<CShape> shape = Preview(e.mode, {});
        ASSERT_TRUE(shape);
        EXPECT_EQ(shape->kind, e.kind) << e.mode;
        EXPECT_STREQ(shape->ClassName(), e.className);
        EXPECT_EQ(shape->pointCount, e.pointCount) << e.className;
        EXPECT_STREQ(KindOfCode(e.kind)->className, e.className);
        EXPECT_EQ(shape->inProgress, 1);
        kinds.insert(e.kind);
    }
    EXPECT_EQ(kinds.size(), std::size(table));
}

TEST_F(ShapeTest, ConstructionTakesTheParametersAndTheBaseDefaults) {
    CShapeParams params;
    params.lineColor = MakeColorref(0, 255, 0);
    params.textColor = MakeColorref(0, 0, 255);
    params.imgWidth = 1920;
    params.imgHeight = 1080;
    params.zoom = 0.5;
    params.text = "ignored";
    const std::unique_ptr<CShape> line = CreateShape(M::kLine, params);
    EXPECT_EQ(line->lineColor, 0x00FF00u);
    EXPECT_EQ(line->textColor, 0xFF0000u);
    EXPECT_EQ(line->imgWidth, 1920);
    EXPECT_EQ(line->imgHeight, 1080);
    EXPECT_EQ(line->createZoom, 0.5);
    EXPECT_EQ(line->text, "");
    EXPECT_EQ(line->penWidth, 1);
    EXPECT_EQ(line->serial, 0);
    EXPECT_EQ(line->exportMark, 0);
    EXPECT_EQ(line->font.height, 16);
    EXPECT_EQ(line->font.weight, 400);
    EXPECT_EQ(line->font.charSet, 1);
    EXPECT_EQ(line->font.pitchAndFamily, 0x32);
    EXPECT_EQ(line->font.faceName, u"Arial");

    params.text = "Note";
    EXPECT_EQ(CreateShape(M::kText, params)->text, "Note");
}

TEST_F(ShapeTest, CompletingTakesTheDrawingStyleAndTheSerial) {
    g_parameters.linecolor = 0x123456;
    g_parameters.textcolor = 0x654321;
    g_parameters.linewidth = 3;
    const std::unique_ptr<CShape> shape = Preview(M::kRectangle, {{1, 1}, {5, 5}, kAnchor});
    CompleteShape(*shape, -1);
    EXPECT_EQ(shape->lineColor, 0x123456u);
    EXPECT_EQ(shape->textColor, 0x654321u);
    EXPECT_EQ(shape->penWidth, 3);
    EXPECT_EQ(shape->inProgress, 0);
    EXPECT_EQ(shape->serial, -1);
    g_parameters = CParameters{};
}

TEST_F(ShapeTest, UnknownModesCreateNothingAndSayWhy) {
    QString shown;
    g_shapeNotifications.showMessage = [&shown](const QString& text) {
        shown = text;
    };
    EXPECT_FALSE(CreateShape(M::kCrosshair, CShapeParams{}));
    EXPECT_EQ(shown, "Bad Element code");
    g_shapeNotifications.showMessage = nullptr;
    EXPECT_FALSE(CreateShape(0, CShapeParams{}));
    EXPECT_FALSE(CreateShape(-108, CShapeParams{}));
}

TEST(ShapeCounters, SerialsFromMinusOneAndMarksPerKind) {
    CShapeCounters counters;
    EXPECT_EQ(counters.TakeSerial(), -1);
    EXPECT_EQ(counters.TakeSerial(), 0);
    EXPECT_EQ(counters.TakeMarkNumber(M::kSquareMark), 0);
    EXPECT_EQ(counters.TakeMarkNumber(M::kSquareMark), 1);
    EXPECT_EQ(counters.TakeMarkNumber(M::kCircleMark), 0);
    EXPECT_EQ(counters.TakeMarkNumber(M::kLine), 0);
    EXPECT_EQ(counters.TakeMarkNumber(M::kSquareMark), 2);
}

TEST_F(ShapeTest, DistanceLines) {
    const auto line = Measured(M::kLine, {{10, 10}, {13, 14}, kAnchor});
    EXPECT_EQ(line->measure[0], 5.0);
    EXPECT_EQ(line->result[0], 5.0);
    EXPECT_EQ(line->AnchorIndex(), 2);

    // With unit "mm" (U = 10), a 100-pixel line at 500 pixels per cm reads 2.
    g_calibration.scale = 500.0;
    EXPECT_DOUBLE_EQ(Measured(M::kHorizontalLine, {{10, 10}, {110, 10}, kAnchor})->result[0], 2.0);
    EXPECT_DOUBLE_EQ(Measured(M::kVerticalLine, {{10, 10}, {10, 110}, kAnchor})->result[0], 2.0);
}

TEST_F(ShapeTest, UnsetPointsLeaveTheValuesAlone) {
    EXPECT_EQ(Preview(M::kLine, {{10, 10}, {0, 14}})->measure[0], 0.0);
    EXPECT_EQ(Preview(M::kLine, {{10, 0}, {13, 14}})->measure[0], 0.0);
    EXPECT_EQ(Preview(M::kRectangle, {{10, 10}, {20, 0}})->measure[1], 0.0);
    EXPECT_EQ(Preview(M::kParallel, {{10, 10}, {20, 10}, {0, 30}})->measure[0], 0.0);
    EXPECT_EQ(Preview(M::kFourPointAngle, {{10, 10}, {20, 10}, {20, 20}, {30, 0}})->measure[0],
              0.0);
    const auto arc = Measured(M::kArc, {{10, 50}, {0, 10}, {90, 50}, kAnchor});
    EXPECT_EQ(arc->measure[0], 0.0);
    EXPECT_EQ(arc->result[2], 0.0);
}

TEST_F(ShapeTest, OnlyCompletedDistanceLinesSetTheLastLineLength) {
    g_calibration.lastLineLength = 7.0;
    const auto preview = Preview(M::kLine, {{10, 10}, {13, 14}, kAnchor});
    preview->ComputeResults();
    EXPECT_EQ(preview->result[0], 0.0);
    EXPECT_EQ(g_calibration.lastLineLength, 7.0);

    Measured(M::kRectangle, {{10, 10}, {40, 50}, kAnchor});
    Measured(M::kParallel, {{10, 10}, {90, 10}, {50, 50}, kAnchor});
    Measured(M::kAutoLine, {{10, 10}, {90, 10}, kAnchor});
    EXPECT_EQ(g_calibration.lastLineLength, 7.0);

    Measured(M::kVerticalLine, {{10, 10}, {10, 30}, kAnchor});
    EXPECT_EQ(g_calibration.lastLineLength, 20.0);
    Measured(M::kLine, {{10, 10}, {13, 14}, kAnchor});
    EXPECT_EQ(g_calibration.lastLineLength, 5.0);
}

TEST_F(ShapeTest, FiveKindsAskForAResultsRefreshEachTime) {
    const auto polygon = Measured(M::kPolygon, {{10, 10}, {50, 10}, {50, 50}});
    const auto fold = Measured(M::kFoldLine, {{10, 10}, {50, 10}, {50, 50}});
    const auto circle = Measured(M::kAutoCircle, {{10, 50}, {50, 10}, {90, 50}, kAnchor});
    const auto lineCircle = Measured(M::kLineCircle, {{10, 10}, {30, 10}, {5, 40}, {60, 40}});
    const auto autoLine = Measured(M::kAutoLine, {{10, 10}, {90, 10}, kAnchor});
    EXPECT_EQ(refreshes, 5);
    polygon->ComputeResults();
    EXPECT_EQ(refreshes, 6);

    for (const CShapeKindInfo& info : ShapeKindTable()) {
        const std::set<int> senders{M::kPolygon, M::kFoldLine, M::kAutoCircle, M::kLineCircle,
                                    M::kAutoLine};
        const int before = refreshes;
        Measured(info.mode, {{10, 10}, {30, 20}, {50, 60}, {70, 10}, {15, 40}});
        EXPECT_EQ(refreshes - before, senders.count(info.mode) ? 1 : 0) << info.className;
    }
    // Nobody listening is fine.
    g_shapeNotifications.refreshResults = nullptr;
    polygon->ComputeResults();
}

TEST_F(ShapeTest, RectangleAndEllipse) {
    const auto flat = Measured(M::kRectangle, {{40, 10}, {40, 50}, kAnchor});
    EXPECT_EQ(flat->result[0], 0.0);
    EXPECT_EQ(flat->result[1], 40.0);
    EXPECT_EQ(flat->result[2], 80.0);
    EXPECT_EQ(flat->result[3], 0.0);

    g_calibration = CCurrentCalibration{}; // mm at 60 pixels per cm
    const auto square = Measured(M::kRectangle, {{70, 70}, {10, 10}, kAnchor});
    EXPECT_DOUBLE_EQ(square->result[0], 10.0);
    EXPECT_DOUBLE_EQ(square->result[3], 100.0);
    EXPECT_DOUBLE_EQ(square->result[2], 40.0);

    g_calibration.unitFactor = g_calibration.scale = 10.0;
    const auto ellipse = Measured(M::kEllipse, {{250, 150}, {50, 250}, kAnchor});
    EXPECT_EQ(ellipse->measure[0], 200.0);
    EXPECT_EQ(ellipse->measure[1], 100.0);
    EXPECT_EQ(ellipse->result[0], 200.0);
    EXPECT_EQ(ellipse->result[1], 100.0);
    EXPECT_EQ(ellipse->result[2], 4.0 * 100.0 + 6.2831854820251465 * 100.0);
    EXPECT_EQ(ellipse->result[3], 3.1415927410125732 * 200.0 * 100.0);
    EXPECT_EQ(Measured(M::kEllipse, {{50, 150}, {150, 350}, kAnchor})->measure[0], 200.0);
}

TEST_F(ShapeTest, CirclesByRadiusAndDiameter) {
    const auto byRadius = Measured(M::kRadiusCircle, {{50, 50}, {80, 90}, kAnchor});
    EXPECT_EQ(byRadius->measure[0], 50.0);
    EXPECT_EQ(byRadius->result[0], 50.0);
    EXPECT_DOUBLE_EQ(byRadius->result[1], 6.2831854820251465 * 50.0);
    EXPECT_DOUBLE_EQ(byRadius->result[2], 3.1415927410125732 * 2500.0);
    EXPECT_EQ(static_cast<CRCircle&>(*byRadius).centre, (ShapePoint{50, 50}));

    const auto byDiameter = Measured(M::kCircle, {{20, 50}, {120, 50}, kAnchor});
    EXPECT_EQ(byDiameter->measure[0], 50.0);
    EXPECT_EQ(byDiameter->result[0], 100.0);
    EXPECT_DOUBLE_EQ(byDiameter->result[1], 6.2831854820251465 * 50.0);
    EXPECT_DOUBLE_EQ(byDiameter->result[2], 3.1415927410125732 * 2500.0);
    const auto& circle = static_cast<CCircle&>(*byDiameter);
    EXPECT_EQ(circle.centre, (ShapePoint{70, 50}));
    EXPECT_EQ(circle.box, (CDeviceBox{20, 0, 120, 100}));
}

TEST_F(ShapeTest, ThreePointCircleIsComputedWhenMeasured) {
    const auto preview = Preview(M::kThreePointCircle, {{10, 50}, {50, 10}, {90, 50}, kAnchor});
    EXPECT_EQ(preview->measure[0], 0.0);
    preview->RefreshGeometry();
    EXPECT_EQ(preview->measure[0], 40.0);

    const auto circle = Measured(M::kThreePointCircle, {{10, 50}, {50, 10}, {90, 50}, kAnchor});
    EXPECT_EQ(circle->measure[0], 40.0);
    EXPECT_EQ(circle->result[0], 40.0);
    EXPECT_EQ(static_cast<CTPCircle&>(*circle).centre, (ShapePoint{50, 50}));

    // Collinear points give no circle: the values stay.
    const auto line = Measured(M::kThreePointCircle, {{10, 10}, {20, 20}, {30, 30}, kAnchor});
    EXPECT_EQ(line->measure[0], 0.0);
    EXPECT_EQ(line->result[2], 0.0);
    circle->points[2] = {30, 30};
    circle->points[1] = {20, 20};
    circle->points[0] = {10, 10};
    circle->ComputeResults();
    EXPECT_EQ(circle->measure[0], 40.0);
}

TEST_F(ShapeTest, AutomaticCircleIsComputedAtOnce) {
    const auto preview = Preview(M::kAutoCircle, {{10, 50}, {50, 10}, {90, 50}, kAnchor});
    EXPECT_EQ(preview->measure[0], 40.0);
    EXPECT_EQ(static_cast<CAutoCircle&>(*preview).box, (CDeviceBox{10, 10, 90, 90}));
    EXPECT_EQ(preview->AnchorIndex(), 3);
}

TEST_F(ShapeTest, ArcRadiusAngleLengthAndSector) {
    // A quarter of the circle of radius 40 about (50, 50).
    const double s = 40.0 * std::sqrt(0.5);
    const auto quarter = Measured(M::kArc, {{90, 50}, {50, 10}, {50 + s, 50 - s}, kAnchor});
    EXPECT_NEAR(quarter->measure[0], 40.0, 1e-12);
    EXPECT_NEAR(quarter->measure[1], 90.0 * kDegree, 1e-9);
    EXPECT_NEAR(quarter->result[2], quarter->measure[1] / 360.0 * 6.2831854820251465 * 40.0, 1e-9);
    EXPECT_NEAR(quarter->result[3], quarter->measure[1] / 360.0 * 3.1415927410125732 * 1600.0,
                1e-9);
    const auto& arc = static_cast<CArc&>(*quarter);
    EXPECT_NEAR(arc.centre.x, 50.0, 1e-12);
    EXPECT_LT(arc.DirectionCross(), 0.0);

    // Ends on opposite sides of the centre: a half circle, not 0 degrees.
    const auto half = Measured(M::kArc, {{10, 50}, {90, 50}, {50, 10}, kAnchor});
    EXPECT_EQ(half->measure[1], 180.0);
    EXPECT_DOUBLE_EQ(half->result[2], 0.5 * 6.2831854820251465 * 40.0);

    // Collinear points: equal bisector slopes, no arc.
    const auto none = Measured(M::kArc, {{10, 10}, {30, 30}, {20, 20}, kAnchor});
    EXPECT_EQ(none->measure, (std::array<double, 3>{}));
    EXPECT_EQ(none->result, (std::array<double, 4>{}));
}

TEST_F(ShapeTest, Angles) {
    // A 3-4-5 triangle with the vertex clicked third.
    const auto right = Measured(M::kThreePointAngle, {{40, 10}, {10, 50}, {10, 10}, kAnchor});
    EXPECT_NEAR(right->result[0], 90.0, 2e-6);
    EXPECT_NEAR(right->result[0], 90.0 * kDegree, 1e-9);
    // The vertex clicked first is taken for an arm end.
    const auto other = Measured(M::kThreePointAngle, {{10, 10}, {40, 10}, {10, 50}, kAnchor});
    EXPECT_GT(std::fabs(other->result[0] - 90.0), 1.0);
    EXPECT_EQ(Measured(M::kThreePointAngle, {{10, 50}, {90, 50}, {50, 50}, kAnchor})->result[0],
              180.0);

    EXPECT_EQ(Measured(M::kFourPointAngle, {{10, 10}, {100, 10}, {100, 50}, {10, 50}})->result[0],
              0.0);
    EXPECT_EQ(Measured(M::kFourPointAngle, {{10, 10}, {10, 90}, {50, 10}, {50, 90}})->result[0],
              0.0);
    // Line 2 runs from P3 to P2.
    EXPECT_NEAR(Measured(M::kFourPointAngle, {{10, 10}, {50, 10}, {60, 60}, {60, 20}})->result[0],
                90.0 * kDegree, 1e-9);
    // Angles ignore the calibration.
    g_calibration.scale = 1234.0;
    EXPECT_NEAR(Measured(M::kThreePointAngle, {{40, 10}, {10, 50}, {10, 10}, kAnchor})->result[0],
                90.0 * kDegree, 1e-9);
}

TEST_F(ShapeTest, PointAndParallelLineDistances) {
    const auto parallel = Measured(M::kParallel, {{10, 10}, {90, 10}, {50, 40}, kAnchor});
    EXPECT_EQ(parallel->result[0], 30.0);
    const auto slanted = Measured(M::kParallel, {{10, 10}, {40, 50}, {50, 10}, kAnchor});
    EXPECT_DOUBLE_EQ(slanted->result[0], 32.0); // 40 × 4 / 5
    const auto pointLine = Measured(M::kPointLine, {{50, 40}, {10, 10}, {10, 90}, kAnchor});
    EXPECT_EQ(pointLine->result[0], 40.0);
    // A line of two equal points measures to that point.
    EXPECT_EQ(Measured(M::kPointLine, {{13, 14}, {10, 10}, {10, 10}, kAnchor})->result[0], 5.0);
}

TEST_F(ShapeTest, TwoCirclesAndLineCircle) {
    const auto two = Measured(M::kTwoCircles, {{10, 10}, {30, 10}, {30, 50}, {70, 50}, kAnchor});
    EXPECT_EQ(two->measure, (std::array<double, 3>{10.0, 20.0, 50.0}));
    EXPECT_EQ(two->result[0], 10.0);
    EXPECT_EQ(two->result[1], 50.0);
    EXPECT_EQ(two->result[2], 20.0);

    const auto half = Preview(M::kTwoCircles, {{10, 10}, {30, 10}, {30, 50}});
    EXPECT_EQ(half->measure, (std::array<double, 3>{10.0, 0.0, 0.0}));

    const auto lineCircle =
        Measured(M::kLineCircle, {{10, 10}, {30, 10}, {5, 40}, {60, 40}, kAnchor});
    EXPECT_EQ(lineCircle->measure, (std::array<double, 3>{10.0, 0.0, 30.0}));
    EXPECT_EQ(lineCircle->result[0], 10.0);
    EXPECT_EQ(lineCircle->result[1], 30.0);
    EXPECT_EQ(static_cast<CLineCircle&>(*lineCircle).foot, (ShapePoint{20, 40}));
    EXPECT_EQ(lineCircle->AnchorIndex(), 4);
}

TEST_F(ShapeTest, PolygonAndFoldLine) {
    CShapeParams params;
    params.points = {ShapePoint{10, 10}, {70, 10}, {70, 70}, {10, 70}};
    params.points[10] = kAnchor;
    auto polygon = CreateShape(M::kPolygon, params);
    EXPECT_EQ(polygon->measure[0], 240.0);
    EXPECT_EQ(polygon->measure[1], 3600.0);
    EXPECT_EQ(polygon->AnchorIndex(), 10);

    g_calibration = CCurrentCalibration{};
    CompleteShape(*polygon, 0);
    for (int i = 0; i < 3; ++i) {
        polygon->ComputeResults();
        EXPECT_DOUBLE_EQ(polygon->result[0], 40.0);
        EXPECT_DOUBLE_EQ(polygon->result[1], 100.0);
    }

    // Vertices stop at the first unset point; the closing edge always counts.
    params.points[2] = {0, 70};
    EXPECT_DOUBLE_EQ(CreateShape(M::kPolygon, params)->measure[0], 120.0);
    EXPECT_EQ(CreateShape(M::kPolygon, params)->measure[1], 0.0);
    const auto fold = CreateShape(M::kFoldLine, params);
    EXPECT_EQ(fold->measure[0], 60.0);

    params.points = {ShapePoint{10, 10}, {70, 10}, {70, 70}, {10, 70}};
    EXPECT_EQ(CreateShape(M::kFoldLine, params)->measure[0], 180.0);
    // All ten vertices: the anchor slot is not a vertex.
    for (int i = 0; i < kShapePointSlots; ++i) {
        params.points[i] = ShapePoint{10.0 + 10 * i, 10.0 + (i % 2) * 10};
    }
    EXPECT_DOUBLE_EQ(CreateShape(M::kFoldLine, params)->measure[0], 9 * std::sqrt(200.0));
}

TEST_F(ShapeTest, AutomaticLineMeasuresTheCompletedSegment) {
    // While placing, the points are the guide lines and P4 the anchor.
    auto line = Preview(M::kAutoLine, {{10, 10}, {50, 10}, {10, 40}, {50, 40}, kAnchor});
    EXPECT_EQ(line->AnchorIndex(), 4);
    EXPECT_EQ(line->measure[0], 40.0);
    // The view stores the ends of the measured segment and the anchor.
    line->points = {};
    line->points[0] = {30, 10};
    line->points[1] = {30, 40};
    line->points[2] = kAnchor;
    CompleteShape(*line, 0);
    line->ComputeResults();
    EXPECT_EQ(line->AnchorIndex(), 2);
    EXPECT_EQ(line->measure[0], 30.0);
    EXPECT_EQ(line->result[0], 30.0);
}

TEST_F(ShapeTest, MarksAndText) {
    const auto square = Preview(M::kSquareMark, {{20, 30}}, 4);
    EXPECT_EQ(square->measure[0], 4.0);
    EXPECT_EQ(square->points[0], (ShapePoint{20, 30}));
    EXPECT_EQ(square->AnchorIndex(), 0);
    EXPECT_EQ(Preview(M::kCircleMark, {{20, 30}}, 2)->measure[0], 2.0);
    const auto text = Measured(M::kText, {{20, 30}, {40, 50}});
    EXPECT_EQ(text->points[1], (ShapePoint{}));
    EXPECT_EQ(text->result, (std::array<double, 4>{}));
}

} // namespace
