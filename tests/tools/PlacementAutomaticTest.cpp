#include "shapes/ShapeKinds.h"
#include "tests/tools/PlacementTestSupport.h"

#include <functional>

namespace M = MeasureMode;

namespace {

// Answers the edge searches as a test sets them and records the questions.
class FakeEdgeFinder : public IEdgeFinder {
public:
    std::optional<QPoint> SnapToEdge(QPoint point, int radius) override {
        snapped.push_back(point);
        radii.push_back(radius);
        return snap ? snap(point) : std::nullopt;
    }
    std::optional<CEdgeSegment> TwoLinePerpendicular(QPoint p1, QPoint q1, QPoint p2, QPoint q2,
                                                     double zoom) override {
        guideLines.push_back({p1, q1, p2, q2});
        zooms.push_back(zoom);
        return segment;
    }

    std::function<std::optional<QPoint>(QPoint)> snap;
    std::optional<CEdgeSegment> segment;
    std::vector<QPoint> snapped;
    std::vector<int> radii;
    std::vector<std::vector<QPoint>> guideLines;
    std::vector<double> zooms;
};

class AutomaticPlacementTest : public PlacementTest {
protected:
    AutomaticPlacementTest() { placement.SetEdgeFinder(&finder); }

    FakeEdgeFinder finder;
};

} // namespace

TEST_F(AutomaticPlacementTest, AutoCircleSnapsEachMeasuringClickToTheEdge) {
    finder.snap = [](QPoint p) {
        return std::optional<QPoint>(p + QPoint(3, -2));
    };
    const auto circle = Place(M::kAutoCircle, {{20, 100}, {100, 20}, {180, 100}, {100, 220}}, 2.0);
    ASSERT_NE(circle, nullptr);
    EXPECT_EQ(finder.snapped, (std::vector<QPoint>{{10, 50}, {50, 10}, {90, 50}}));
    EXPECT_EQ(finder.radii, (std::vector<int>{20, 20, 20}));
    EXPECT_EQ(circle->points[0], QPoint(13, 48));
    EXPECT_EQ(circle->points[1], QPoint(53, 8));
    EXPECT_EQ(circle->points[2], QPoint(93, 48));
    EXPECT_EQ(circle->points[3], QPoint(50, 110)); // the label anchor is not snapped
    EXPECT_EQ(circle->measure[0], 40.0);
}

TEST_F(AutomaticPlacementTest, AutoCircleKeepsTheClickWhereNoEdgeIsFound) {
    const auto found = Place(M::kAutoCircle, {{10, 50}, {50, 10}, {90, 50}, {50, 90}});
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(finder.snapped.size(), 3u);
    EXPECT_EQ(found->points[1], QPoint(50, 10));

    placement.SetEdgeFinder(nullptr);
    const auto alone = Place(M::kAutoCircle, {{10, 50}, {50, 10}, {90, 50}, {50, 90}});
    ASSERT_NE(alone, nullptr);
    EXPECT_EQ(finder.snapped.size(), 3u);
    EXPECT_EQ(alone->measure[0], 40.0);
}

TEST_F(AutomaticPlacementTest, AutoCircleIgnoresClicksThatCannotCompleteIt) {
    // Two clicks near one edge point snap to the same pixel.
    finder.snap = [](QPoint p) {
        return std::optional<QPoint>(p.x() < 30 ? QPoint(15, 50) : p);
    };
    EXPECT_EQ(placement.Press(At(M::kAutoCircle, {10, 50})), CPressOutcome::Placed);
    EXPECT_EQ(placement.Press(At(M::kAutoCircle, {20, 40})), CPressOutcome::Ignored);
    EXPECT_EQ(placement.Press(At(M::kAutoCircle, {50, 10})), CPressOutcome::Placed);
    EXPECT_EQ(placement.Press(At(M::kAutoCircle, {90, 50})), CPressOutcome::Placed);
    EXPECT_TRUE(placement.PointsComplete());
    // A label on the picture's first column would read as unplaced.
    EXPECT_EQ(placement.Press(At(M::kAutoCircle, {0, 70})), CPressOutcome::Ignored);
    EXPECT_EQ(placement.Release(At(M::kAutoCircle, {0, 70})), nullptr);
    EXPECT_EQ(Click(M::kAutoCircle, {5, 70})->points[0], QPoint(15, 50));
}

TEST_F(AutomaticPlacementTest, AutoLineMeasuresBetweenTheFoundEdgesInImagePixels) {
    finder.segment = CEdgeSegment{{40, 20}, {40, 81}};
    Click(M::kAutoLine, {10, 10});
    placement.Move(At(M::kAutoLine, {95, 14}, 2.0));
    // The guide lines stay in device pixels while they are drawn.
    ASSERT_NE(placement.Preview(), nullptr);
    EXPECT_EQ(placement.Preview()->points[1], QPoint(95, 14));
    Click(M::kAutoLine, {100, 12}, 2.0);
    Click(M::kAutoLine, {10, 60}, 2.0);
    Click(M::kAutoLine, {100, 62}, 2.0);
    EXPECT_TRUE(placement.PointsComplete());
    EXPECT_TRUE(finder.guideLines.empty()); // the search runs once, on the final release

    const auto line = Click(M::kAutoLine, {50, 41}, 2.0);
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(finder.guideLines.size(), 1u);
    EXPECT_EQ(finder.guideLines[0],
              (std::vector<QPoint>{{10, 10}, {100, 12}, {10, 60}, {100, 62}}));
    EXPECT_EQ(finder.zooms[0], 2.0);
    EXPECT_EQ(PointsOf(*line, 5),
              (std::vector<ShapePoint>{{20, 10}, {20, 41}, {25, 21}, {0, 0}, {0, 0}}));
    EXPECT_EQ(line->AnchorIndex(), 2);
    EXPECT_EQ(line->measure[0], 31.0);
}

TEST_F(AutomaticPlacementTest, AutoLineFallsBackToTheGuideLinesMidpoints) {
    const std::initializer_list<QPoint> clicks = {{11, 10}, {100, 13}, {10, 61}, {101, 60}, {5, 5}};
    const auto failed = Place(M::kAutoLine, clicks, 2.0);
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(finder.guideLines.size(), 1u);
    // Midpoints (55, 11) and (55, 60) in device pixels, halved at zoom 2.
    EXPECT_EQ(PointsOf(*failed, 2), (std::vector<ShapePoint>{{28, 6}, {28, 30}}));

    placement.SetEdgeFinder(nullptr);
    const auto alone = Place(M::kAutoLine, clicks, 2.0);
    ASSERT_NE(alone, nullptr);
    EXPECT_EQ(PointsOf(*alone, 2), PointsOf(*failed, 2));
    EXPECT_EQ(alone->measure[0], 24.0);
}
