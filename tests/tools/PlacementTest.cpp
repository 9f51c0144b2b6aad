#include "core/Parameters.h"
#include "shapes/DistanceShapes.h"
#include "shapes/ShapeKinds.h"
#include "tests/tools/PlacementTestSupport.h"

namespace M = MeasureMode;

namespace {

std::vector<ShapePoint> Points(std::initializer_list<QPoint> points) {
    std::vector<ShapePoint> out;
    for (const QPoint& p : points) {
        out.push_back({static_cast<double>(p.x()), static_cast<double>(p.y())});
    }
    return out;
}

struct ToolFlow {
    int mode;
    std::vector<QPoint> clicks;
    std::vector<ShapePoint> stored; // the completed shape's points, label anchor included
};

std::vector<ToolFlow> EveryToolFlow() {
    const std::vector<QPoint> two = {{10, 10}, {50, 30}, {30, 40}};
    const std::vector<QPoint> three = {{10, 50}, {50, 10}, {90, 50}, {50, 100}};
    const std::vector<QPoint> four = {{10, 10}, {50, 20}, {20, 60}, {70, 80}, {40, 40}};
    const std::vector<ShapePoint> twoStored = Points({{10, 10}, {50, 30}, {30, 40}});
    const std::vector<ShapePoint> threeStored = Points({{10, 50}, {50, 10}, {90, 50}, {50, 100}});
    const std::vector<ShapePoint> fourStored =
        Points({{10, 10}, {50, 20}, {20, 60}, {70, 80}, {40, 40}});
    std::vector<QPoint> tenVertices;
    for (int i = 1; i <= 10; ++i) {
        tenVertices.push_back({10 * i, i % 2 == 0 ? 20 : 60});
    }
    std::vector<QPoint> polygonClicks = tenVertices;
    polygonClicks.push_back({200, 200});
    std::vector<ShapePoint> polygonStored;
    for (const QPoint& p : polygonClicks) {
        polygonStored.push_back({static_cast<double>(p.x()), static_cast<double>(p.y())});
    }

    return {
        {M::kLine, two, twoStored},
        {M::kHorizontalLine, two, Points({{10, 10}, {50, 10}, {30, 40}})},
        {M::kVerticalLine, two, Points({{10, 10}, {10, 30}, {30, 40}})},
        {M::kRectangle, two, twoStored},
        {M::kEllipse, two, twoStored},
        {M::kCircle, two, twoStored},
        {M::kRadiusCircle, two, twoStored},
        {M::kThreePointCircle, three, threeStored},
        {M::kArc, three, threeStored},
        {M::kThreePointAngle, three, threeStored},
        {M::kParallel, three, threeStored},
        {M::kPointLine, three, threeStored},
        {M::kFourPointAngle, four, fourStored},
        {M::kTwoCircles, four, fourStored},
        {M::kLineCircle, four, fourStored},
        {M::kPolygon, polygonClicks, polygonStored},
        {M::kFoldLine, polygonClicks, polygonStored},
        {M::kAutoCircle, three, threeStored},
        // Without edges the automatic line runs between its guide lines' midpoints.
        {M::kAutoLine,
         {{10, 10}, {100, 12}, {10, 60}, {100, 62}, {50, 40}},
         Points({{55, 11}, {55, 61}, {50, 40}})},
        {M::kSquareMark, {{30, 30}}, Points({{30, 30}})},
        {M::kCircleMark, {{40, 40}}, Points({{40, 40}})},
    };
}

} // namespace

TEST_F(PlacementTest, EveryToolCompletesItsShapeFromClicksWithRunningSerials) {
    g_parameters.linecolor = 0x00FF00;
    g_parameters.textcolor = 0x0000FF;
    g_parameters.linewidth = 3;
    placement.SetImageSize(800, 600);
    int expectedSerial = -1;
    for (const ToolFlow& flow : EveryToolFlow()) {
        SCOPED_TRACE(flow.mode);
        std::unique_ptr<CShape> shape;
        for (std::size_t i = 0; i < flow.clicks.size(); ++i) {
            ASSERT_EQ(shape, nullptr) << "completed at click " << i;
            shape = Click(flow.mode, flow.clicks[i]);
        }
        ASSERT_NE(shape, nullptr);
        EXPECT_EQ(shape->kind, KindOfMode(flow.mode)->kind);
        EXPECT_EQ(shape->inProgress, 0);
        EXPECT_EQ(shape->serial, expectedSerial++);
        EXPECT_EQ(PointsOf(*shape, static_cast<int>(flow.stored.size())), flow.stored);
        EXPECT_EQ(shape->lineColor, 0x00FF00u);
        EXPECT_EQ(shape->textColor, 0x0000FFu);
        EXPECT_EQ(shape->penWidth, 3);
        EXPECT_EQ(shape->imgWidth, 800);
        EXPECT_EQ(shape->imgHeight, 600);
        EXPECT_EQ(placement.Preview(), nullptr);
        EXPECT_FALSE(placement.IsPlacing());
        EXPECT_FALSE(placement.PointsComplete());
    }
}

TEST_F(PlacementTest, MarksCountSeparatelyFromZeroWhileSerialsRunOn) {
    const auto square1 = Click(M::kSquareMark, {10, 10});
    const auto circle1 = Click(M::kCircleMark, {20, 20});
    const auto square2 = Click(M::kSquareMark, {30, 30});
    const auto circle2 = Click(M::kCircleMark, {40, 40});
    ASSERT_TRUE(square1 && circle1 && square2 && circle2);
    EXPECT_EQ(square1->measure[0], 0.0);
    EXPECT_EQ(square2->measure[0], 1.0);
    EXPECT_EQ(circle1->measure[0], 0.0);
    EXPECT_EQ(circle2->measure[0], 1.0);
    EXPECT_EQ(square1->serial, -1);
    EXPECT_EQ(circle2->serial, 2);
}

TEST_F(PlacementTest, MarkIsBuiltOnReleaseAtThePressedPoint) {
    EXPECT_EQ(placement.Press(At(M::kSquareMark, {10, 20})), CPressOutcome::Placed);
    // A second press before the release does not move the pending mark.
    EXPECT_EQ(placement.Press(At(M::kSquareMark, {90, 90})), CPressOutcome::Ignored);
    const auto mark = placement.Release(At(M::kSquareMark, {90, 90}));
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->points[0], QPoint(10, 20));
    EXPECT_EQ(placement.Release(At(M::kSquareMark, {90, 90})), nullptr);
}

TEST_F(PlacementTest, ClicksMapToImagePixelsThroughTheZoom) {
    EXPECT_EQ(ImagePointAt({149, 3}, 0.3), QPoint(497, 10));
    EXPECT_EQ(ImagePointAt({3, 149}, 1.8), QPoint(2, 83));
    const auto line = Place(M::kLine, {{149, 30}, {60, 90}, {15, 15}}, 0.3);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(PointsOf(*line, 3), Points({{497, 100}, {200, 300}, {50, 50}}));
    EXPECT_EQ(line->createZoom, 0.3);
}

TEST_F(PlacementTest, ClicksFailingACheckAreIgnoredAndThePlacementWaits) {
    struct Case {
        int mode;
        std::vector<QPoint> before; // accepted clicks
        QPoint refused;
    };
    const Case cases[] = {
        {M::kLine, {{10, 10}}, {10, 10}},
        // The horizontal distance keeps the row: any click on P0's column repeats P0.
        {M::kHorizontalLine, {{10, 10}}, {10, 80}},
        {M::kVerticalLine, {{10, 10}}, {80, 10}},
        {M::kArc, {{10, 10}}, {10, 10}},
        {M::kArc, {{10, 10}, {50, 50}}, {10, 10}},
        {M::kThreePointAngle, {{10, 10}, {50, 50}}, {50, 50}},
        {M::kThreePointCircle, {{10, 10}, {50, 50}}, {10, 10}},
        {M::kTwoCircles, {{10, 10}}, {10, 50}},
        {M::kLineCircle, {{10, 10}, {50, 50}}, {70, 50}},
        // The angle's two lines need four distinct points.
        {M::kFourPointAngle, {{10, 10}, {50, 50}}, {10, 10}},
        {M::kFourPointAngle, {{10, 10}, {50, 50}, {20, 70}}, {50, 50}},
        {M::kAutoLine, {{10, 10}}, {10, 10}},
        {M::kAutoLine, {{10, 10}, {90, 10}, {10, 50}}, {10, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.mode << " refusing " << c.refused.x() << "," << c.refused.y());
        placement.Reset();
        for (const QPoint& p : c.before) {
            ASSERT_EQ(placement.Press(At(c.mode, p)), CPressOutcome::Placed);
            ASSERT_EQ(placement.Release(At(c.mode, p)), nullptr);
        }
        EXPECT_EQ(placement.Press(At(c.mode, c.refused)), CPressOutcome::Ignored);
        EXPECT_EQ(placement.Release(At(c.mode, c.refused)), nullptr);
        EXPECT_FALSE(placement.PointsComplete());
    }
    // The placement goes on with a valid click.
    placement.Reset();
    EXPECT_EQ(Click(M::kLine, {10, 10}), nullptr);
    EXPECT_EQ(Click(M::kLine, {10, 10}), nullptr);
    EXPECT_EQ(Click(M::kLine, {40, 10}), nullptr);
    EXPECT_TRUE(placement.PointsComplete());
    const auto line = Click(M::kLine, {20, 30});
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(PointsOf(*line, 3), Points({{10, 10}, {40, 10}, {20, 30}}));
}

TEST_F(PlacementTest, PolygonEndsOnRightClickOnlyAfterThreeVertices) {
    const int mode = M::kPolygon;
    Click(mode, {10, 10});
    Click(mode, {50, 10});
    EXPECT_FALSE(placement.RightClick(At(mode, {60, 60})));
    EXPECT_FALSE(placement.PointsComplete());
    Click(mode, {50, 50});
    placement.Move(At(mode, {30, 80})); // the fourth vertex follows the cursor
    EXPECT_TRUE(placement.RightClick(At(mode, {30, 80})));
    EXPECT_TRUE(placement.PointsComplete());
    EXPECT_FALSE(placement.RightClick(At(mode, {30, 80})));
    placement.Move(At(mode, {90, 90}));
    ASSERT_NE(placement.Preview(), nullptr);
    EXPECT_EQ(placement.Preview()->points[3], ShapePoint{});
    EXPECT_EQ(placement.Preview()->points[10], QPoint(90, 90));

    const auto polygon = Click(mode, {90, 90});
    ASSERT_NE(polygon, nullptr);
    EXPECT_EQ(LeadingVertexCount(polygon->points), 3);
    EXPECT_EQ(polygon->points[10], QPoint(90, 90));
    EXPECT_EQ(polygon->measure[1], 800.0); // the triangle's area, the cursor's vertex left out
}

TEST_F(PlacementTest, TenthVertexEndsTheInputAndRightClickThenDoesNothing) {
    const int mode = M::kFoldLine;
    for (int i = 1; i <= 9; ++i) {
        Click(mode, {10 * i, 10});
        EXPECT_FALSE(placement.PointsComplete());
    }
    Click(mode, {100, 10});
    EXPECT_TRUE(placement.PointsComplete());
    EXPECT_FALSE(placement.RightClick(At(mode, {100, 10})));
    const auto line = Click(mode, {50, 50});
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->measure[0], 90.0);
    EXPECT_EQ(placement.RightClick(At(M::kLine, {1, 1})), false);
}

TEST_F(PlacementTest, PreviewFollowsTheCursorUnderTheToolsConstraints) {
    EXPECT_FALSE(placement.Move(At(M::kHorizontalLine, {20, 20})));
    EXPECT_EQ(placement.Preview(), nullptr);
    Click(M::kHorizontalLine, {20, 20});
    EXPECT_TRUE(placement.Move(At(M::kHorizontalLine, {70, 45})));
    const CShape* preview = placement.Preview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->inProgress, 1);
    EXPECT_STREQ(preview->ClassName(), "CHLine");
    EXPECT_EQ(preview->points[1], QPoint(70, 20));
    EXPECT_EQ(preview->measure[0], 50.0);

    // Once P1 is placed, the label anchor follows freely.
    Click(M::kHorizontalLine, {70, 45});
    placement.Move(At(M::kHorizontalLine, {33, 66}));
    EXPECT_EQ(placement.Preview()->points[2], QPoint(33, 66));

    placement.Reset();
    Click(M::kVerticalLine, {20, 20});
    placement.Move(At(M::kVerticalLine, {70, 45}, 0.5));
    EXPECT_EQ(placement.Preview()->points[1], QPoint(20, 90));

    // A tool without a placement under way shows nothing.
    EXPECT_TRUE(placement.Move(At(M::kNone, {5, 5})));
    EXPECT_EQ(placement.Preview(), nullptr);
    EXPECT_FALSE(placement.Move(At(M::kSquareMark, {5, 5})));
}

TEST_F(PlacementTest, PlacementSurvivesASwitchOfToolsUntilReset) {
    Click(M::kLine, {10, 10});
    // Another group starts its own placement meanwhile.
    Click(M::kArc, {60, 60});
    EXPECT_TRUE(placement.IsPlacing());
    Click(M::kLine, {40, 10});
    const auto line = Click(M::kLine, {20, 20});
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(PointsOf(*line, 2), Points({{10, 10}, {40, 10}}));

    // The stored shape reset every placement, the arc's included.
    EXPECT_FALSE(placement.IsPlacing());
    Click(M::kRectangle, {10, 10});
    placement.Reset();
    EXPECT_FALSE(placement.IsPlacing());
    EXPECT_EQ(placement.Preview(), nullptr);
    const auto rectangle = Place(M::kRectangle, {{30, 30}, {60, 70}, {5, 5}});
    ASSERT_NE(rectangle, nullptr);
    EXPECT_EQ(rectangle->points[0], QPoint(30, 30));
    EXPECT_EQ(rectangle->serial, 0); // the counters run on across a reset
}

TEST_F(PlacementTest, PressAfterTheLabelWaitsForTheRelease) {
    placement.Press(At(M::kLine, {10, 10}));
    placement.Press(At(M::kLine, {40, 10}));
    EXPECT_EQ(placement.Press(At(M::kLine, {20, 20})), CPressOutcome::Placed);
    EXPECT_EQ(placement.Press(At(M::kLine, {99, 99})), CPressOutcome::Ignored);
    const auto line = placement.Release(At(M::kLine, {99, 99}));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->points[2], QPoint(20, 20));
    EXPECT_EQ(line->measure[0], 30.0);
}

TEST_F(PlacementTest, TextNoteIsPlacedWithTheDialogsText) {
    EXPECT_EQ(placement.PlaceText(QStringLiteral("no click")), nullptr);
    EXPECT_EQ(placement.Press(At(M::kText, {60, 40}, 2.0)), CPressOutcome::TextRequested);
    EXPECT_TRUE(placement.IsPlacing());
    EXPECT_EQ(placement.Release(At(M::kText, {60, 40}, 2.0)), nullptr);
    const auto note = placement.PlaceText(QStringLiteral("crack"));
    ASSERT_NE(note, nullptr);
    EXPECT_STREQ(note->ClassName(), "CText");
    EXPECT_EQ(note->text, "crack");
    EXPECT_EQ(note->points[0], QPoint(30, 20));
    EXPECT_EQ(note->serial, -1);
    EXPECT_EQ(note->inProgress, 0);
    EXPECT_FALSE(placement.IsPlacing());

    // An empty text and a cancelled dialog place nothing and use no serial.
    placement.Press(At(M::kText, {10, 10}));
    EXPECT_EQ(placement.PlaceText(QString()), nullptr);
    placement.Press(At(M::kText, {10, 10}));
    placement.CancelText();
    EXPECT_FALSE(placement.IsPlacing());
    EXPECT_EQ(placement.PlaceText(QStringLiteral("late")), nullptr);
    placement.Press(At(M::kText, {10, 10}));
    EXPECT_EQ(placement.PlaceText(QStringLiteral("next"))->serial, 0);
}

TEST_F(PlacementTest, CrosshairMovesToTheClickedImagePoint) {
    EXPECT_EQ(placement.Crosshair(), QPoint(80, 80));
    EXPECT_EQ(placement.Press(At(M::kCrosshair, {30, 60}, 0.5)), CPressOutcome::CrosshairMoved);
    EXPECT_EQ(placement.Crosshair(), QPoint(60, 120));
    EXPECT_EQ(placement.Release(At(M::kCrosshair, {30, 60}, 0.5)), nullptr);
    EXPECT_FALSE(placement.IsPlacing());
    placement.Reset();
    EXPECT_EQ(placement.Crosshair(), QPoint(60, 120));
}

TEST_F(PlacementTest, ModesWithoutAToolIgnoreTheMouse) {
    for (const int mode : {M::kNone, 5, 132, 999}) {
        EXPECT_EQ(placement.Press(At(mode, {10, 10})), CPressOutcome::Ignored);
        EXPECT_EQ(placement.Release(At(mode, {10, 10})), nullptr);
        EXPECT_FALSE(placement.RightClick(At(mode, {10, 10})));
    }
    EXPECT_FALSE(placement.IsPlacing());
}
