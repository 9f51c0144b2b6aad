#include "shapes/Geometry.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

// Degrees as the shapes compute them (180 ÷ 3.1415926, not 180 ÷ π).
constexpr double kDegree = 3.14159265358979323846 / 3.1415926;

TEST(Constants, AreTheSinglePrecisionValues) {
    EXPECT_EQ(kShapePi, static_cast<double>(static_cast<float>(3.14159265358979)));
    EXPECT_EQ(kShapeTwoPi, 2.0 * static_cast<double>(static_cast<float>(3.14159265358979)));
}

TEST(IsSet, ZeroInEitherCoordinateMeansNotPlaced) {
    EXPECT_TRUE(IsSet({1.0, 1.0}));
    EXPECT_TRUE(IsSet({-1.0, 0.5}));
    EXPECT_FALSE(IsSet({0.0, 5.0}));
    EXPECT_FALSE(IsSet({5.0, 0.0}));
    EXPECT_FALSE(IsSet({-0.0, 5.0}));
}

TEST(AngleBetweenLines, MeasuresBetweenTheFartherEnds) {
    // A 3-4-5 right triangle with the right angle at (10, 10).
    EXPECT_NEAR(AngleBetweenLines({10, 10}, {40, 10}, {10, 10}, {10, 50}), 90.0 * kDegree, 1e-9);
    // The ends nearer the intersection do not matter, nor their order.
    EXPECT_NEAR(AngleBetweenLines({20, 20}, {100, 100}, {100, 20}, {20, 100}), 90.0 * kDegree,
                1e-9);
    EXPECT_NEAR(AngleBetweenLines({100, 100}, {20, 20}, {20, 100}, {100, 20}), 90.0 * kDegree,
                1e-9);
    // Arms pointing away from each other across the intersection.
    EXPECT_NEAR(AngleBetweenLines({10, 10}, {20, 10}, {30, 10}, {40, 20}), 135.0 * kDegree, 1e-9);
}

TEST(AngleBetweenLines, ParallelAndVerticalLines) {
    EXPECT_EQ(AngleBetweenLines({10, 10}, {100, 10}, {100, 50}, {10, 50}), 0.0);
    EXPECT_EQ(AngleBetweenLines({10, 10}, {50, 30}, {10, 60}, {50, 80}), 0.0);
    EXPECT_EQ(AngleBetweenLines({10, 10}, {10, 90}, {50, 90}, {50, 10}), 0.0);
    // One vertical line: the intersection lies on it.
    EXPECT_NEAR(AngleBetweenLines({10, 10}, {10, 90}, {20, 50}, {90, 50}), 90.0 * kDegree, 1e-9);
    EXPECT_NEAR(AngleBetweenLines({20, 50}, {90, 50}, {10, 10}, {10, 90}), 90.0 * kDegree, 1e-9);
}

TEST(AngleBetweenLines, DegenerateArmsGiveAFiniteAngle) {
    // Nearly collinear arms: the cosine can round past 1.
    for (int i = 1; i < 200; ++i) {
        const double angle = AngleBetweenLines({1, 1}, {1 + i * 1e3, 1 + i * 1e-9}, {1, 1},
                                               {1 + i * 7e2, 1 + i * 2e-9});
        EXPECT_TRUE(std::isfinite(angle)) << i;
        EXPECT_GE(angle, 0.0);
        EXPECT_LE(angle, 180.0);
    }
    // Both points of a line at the intersection: no arm, no angle.
    EXPECT_EQ(AngleBetweenLines({10, 10}, {10, 10}, {10, 10}, {50, 50}), 0.0);
}

TEST(AngleAtVertex, StraightAnglesAreHalfTurns) {
    EXPECT_EQ(AngleAtVertex({50, 50}, {10, 50}, {90, 50}), 180.0);
    EXPECT_EQ(AngleAtVertex({50, 50}, {50, 10}, {50, 90}), 180.0);
    EXPECT_EQ(AngleAtVertex({50, 50}, {10, 50}, {30, 50}), 0.0);
    EXPECT_NEAR(AngleAtVertex({10, 10}, {40, 10}, {10, 50}), 90.0 * kDegree, 1e-9);
}

TEST(PerpendicularFoot, ProjectsOntoTheLine) {
    const ShapePoint foot = PerpendicularFoot({30, 40}, {0.5, 0.5}, {100.5, 100.5});
    EXPECT_DOUBLE_EQ(foot.x, 35.0);
    EXPECT_DOUBLE_EQ(foot.y, 35.0);
    // Beyond the segment's ends the line goes on.
    const ShapePoint beyond = PerpendicularFoot({200, 7}, {10, 5}, {20, 5});
    EXPECT_DOUBLE_EQ(beyond.x, 200.0);
    EXPECT_DOUBLE_EQ(beyond.y, 5.0);
    // A line of two equal points is that point.
    EXPECT_EQ(PerpendicularFoot({30, 40}, {7, 8}, {7, 8}), (ShapePoint{7, 8}));
}

TEST(CircleThrough3Points, FindsTheCircumcircle) {
    const auto fit = CircleThrough3Points({10, 50}, {50, 10}, {90, 50});
    ASSERT_TRUE(fit);
    EXPECT_DOUBLE_EQ(fit->centre.x, 50.0);
    EXPECT_DOUBLE_EQ(fit->centre.y, 50.0);
    EXPECT_DOUBLE_EQ(fit->radius, 40.0);

    const auto off =
        CircleThrough3Points({103, 204}, {100 + 5 * std::cos(1.0), 200 + 5 * std::sin(1.0)},
                             {100 + 5 * std::cos(4.0), 200 + 5 * std::sin(4.0)});
    ASSERT_TRUE(off);
    EXPECT_NEAR(off->centre.x, 100.0, 1e-9);
    EXPECT_NEAR(off->centre.y, 200.0, 1e-9);
    EXPECT_NEAR(off->radius, 5.0, 1e-9);
}

TEST(CircleThrough3Points, RejectsCollinearAndCoincidentPoints) {
    EXPECT_FALSE(CircleThrough3Points({10, 10}, {20, 20}, {40, 40}));
    EXPECT_FALSE(CircleThrough3Points({10, 10}, {10, 20}, {10, 90}));
    EXPECT_FALSE(CircleThrough3Points({10, 10}, {10, 10}, {40, 70}));
    EXPECT_FALSE(CircleThrough3Points({10, 10}, {10, 10}, {10, 10}));
    // The determinant is 2e-11: below the limit.
    EXPECT_FALSE(CircleThrough3Points({1, 1}, {2, 2}, {3, 3 + 1e-11}));
    EXPECT_TRUE(CircleThrough3Points({1, 1}, {2, 2}, {3, 3 + 1e-10}));
}

TEST(ArcCentre, UsesTheVerticalSlopeForLevelChords) {
    // P2 level with P0: the bisector of P0P2 is vertical.
    const auto a = ArcCentre({10, 50}, {50, 10}, {90, 50});
    ASSERT_TRUE(a);
    EXPECT_DOUBLE_EQ(a->x, 50.0);
    EXPECT_DOUBLE_EQ(a->y, 50.0);
    // P2 level with P1.
    const auto b = ArcCentre({50, 10}, {10, 50}, {90, 50});
    ASSERT_TRUE(b);
    EXPECT_DOUBLE_EQ(b->x, 50.0);
    EXPECT_DOUBLE_EQ(b->y, 50.0);
    // The general case.
    const auto c = ArcCentre({10, 50}, {90, 50}, {50, 10});
    ASSERT_TRUE(c);
    EXPECT_DOUBLE_EQ(c->x, 50.0);
    EXPECT_DOUBLE_EQ(c->y, 50.0);
}

TEST(ArcCentre, EqualBisectorSlopesHaveNoCentre) {
    EXPECT_FALSE(ArcCentre({10, 10}, {30, 30}, {20, 20}));
    EXPECT_FALSE(ArcCentre({10, 50}, {30, 50}, {90, 50}));
    EXPECT_FALSE(ArcCentre({10, 10}, {10, 10}, {40, 70}));
}

TEST(PolygonArea, UsesWholePixelVerticesInEitherOrientation) {
    const ShapePoint square[] = {{10, 10}, {70, 10}, {70, 70}, {10, 70}};
    EXPECT_EQ(PolygonArea(square), 3600.0);
    const ShapePoint reversed[] = {{10, 70}, {70, 70}, {70, 10}, {10, 10}};
    EXPECT_EQ(PolygonArea(reversed), 3600.0);
    // 10.4 rounds to 10 and 69.6 to 70.
    const ShapePoint rounded[] = {{10.4, 10.4}, {69.6, 10.4}, {69.6, 69.6}, {10.4, 69.6}};
    EXPECT_EQ(PolygonArea(rounded), 3600.0);
    const ShapePoint triangle[] = {{0.5, 0.5}, {4.4, 0.5}, {0.5, 3.5}};
    EXPECT_EQ(PolygonArea(triangle), 4.5); // vertices (1,1), (4,1), (1,4)
    const ShapePoint line[] = {{1, 1}, {5, 5}};
    EXPECT_EQ(PolygonArea(line), 0.0);
}

TEST(ToDevice, TruncatesAfterAddingAHalfAndSaturates) {
    EXPECT_EQ(ToDevice(10.4, 1.0), 10);
    EXPECT_EQ(ToDevice(10.5, 1.0), 11);
    EXPECT_EQ(ToDevice(99.0, 0.5), 50);
    EXPECT_EQ(ToDevice(-10.7, 1.0), -10);
    EXPECT_EQ(ToDevice(1e300, 1.8), std::numeric_limits<int>::max());
    EXPECT_EQ(ToDevice(-1e300, 1.8), std::numeric_limits<int>::min());
    EXPECT_EQ(ToDevice(std::nan(""), 1.0), 0);
    EXPECT_EQ(CircleBox({50, 60}, 10.25, 2.0), (CDeviceBox{80, 100, 121, 141}));
}

} // namespace
