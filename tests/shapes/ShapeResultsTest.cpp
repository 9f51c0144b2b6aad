#include "shapes/ShapeKinds.h"
#include "shapes/ShapeMirror.h"
#include "tests/shapes/ShapeTestSupport.h"

#include <cmath>
#include <numbers>

namespace {

namespace M = MeasureMode;

// Millimetres at 60 pixels per centimetre, the initial calibration: one pixel
// is 1/6 mm and one square pixel 1/36 mm², so a raw value, a length and an
// area never agree by chance. Every expected number below is worked out by
// hand from the pixels, not taken from the code.
class CalibratedShapeTest : public ShapeTest {
protected:
    void SetUp() override {
        ShapeTest::SetUp();
        g_calibration = CCurrentCalibration{};
    }

    // A completed shape whose points go into exactly the given slots.
    static std::unique_ptr<CShape>
    MeasuredAt(int mode, std::initializer_list<std::pair<int, ShapePoint>> at) {
        CShapeParams params;
        for (const auto& [slot, point] : at) {
            params.points[static_cast<std::size_t>(slot)] = point;
        }
        std::unique_ptr<CShape> shape = CreateShape(mode, params);
        CompleteShape(*shape, 0);
        shape->ComputeResults();
        return shape;
    }
};

constexpr double kTolerance = 1e-4; // the shapes' π is single precision
constexpr double kPi = std::numbers::pi;

TEST_F(CalibratedShapeTest, LengthsAreConvertedOnceAndAreasSquared) {
    auto line = Measured(M::kLine, {{12, 12}, {132, 12}, {50, 50}});
    EXPECT_DOUBLE_EQ(line->measure[0], 120.0);
    EXPECT_DOUBLE_EQ(line->result[0], 20.0);

    // 60 × 30 pixels: 10 × 5 mm, girth 30 mm, area 50 mm² (1800 px²).
    auto rectangle = Measured(M::kRectangle, {{10, 10}, {70, 40}, {80, 50}});
    EXPECT_DOUBLE_EQ(rectangle->result[0], 10.0);
    EXPECT_DOUBLE_EQ(rectangle->result[1], 5.0);
    EXPECT_DOUBLE_EQ(rectangle->result[2], 30.0);
    EXPECT_DOUBLE_EQ(rectangle->result[3], 50.0);

    // Half-axes 60 and 30 pixels: 10 and 5 mm; area π·10·5 mm².
    auto ellipse = Measured(M::kEllipse, {{100, 100}, {160, 130}, {10, 10}});
    EXPECT_DOUBLE_EQ(ellipse->result[0], 10.0);
    EXPECT_DOUBLE_EQ(ellipse->result[1], 5.0);
    EXPECT_NEAR(ellipse->result[2], 4.0 * 5.0 + 2.0 * kPi * 5.0, kTolerance);
    EXPECT_NEAR(ellipse->result[3], kPi * 50.0, kTolerance);

    // A 60-pixel square: girth 40 mm, area 100 mm² (3600 px²).
    auto polygon = MeasuredAt(
        M::kPolygon, {{0, {10, 10}}, {1, {70, 10}}, {2, {70, 70}}, {3, {10, 70}}, {10, {5, 5}}});
    EXPECT_DOUBLE_EQ(polygon->measure[1], 3600.0);
    EXPECT_DOUBLE_EQ(polygon->result[0], 40.0);
    EXPECT_DOUBLE_EQ(polygon->result[1], 100.0);

    // Three 30-pixel segments: 15 mm.
    auto fold = MeasuredAt(
        M::kFoldLine, {{0, {10, 10}}, {1, {40, 10}}, {2, {40, 40}}, {3, {70, 40}}, {10, {5, 5}}});
    EXPECT_DOUBLE_EQ(fold->result[0], 15.0);
}

TEST_F(CalibratedShapeTest, CirclesAndArcsConvertTheRadiusBeforeSquaringIt) {
    // Radius 60 pixels = 10 mm: circumference 20π mm, area 100π mm².
    auto radius = Measured(M::kRadiusCircle, {{100, 100}, {160, 100}, {10, 10}});
    EXPECT_NEAR(radius->result[0], 10.0, kTolerance);
    EXPECT_NEAR(radius->result[1], 20.0 * kPi, kTolerance);
    EXPECT_NEAR(radius->result[2], 100.0 * kPi, kTolerance);

    // A 120-pixel diameter: 20 mm across, the same circle's girth and area.
    auto diameter = Measured(M::kCircle, {{100, 100}, {220, 100}, {10, 10}});
    EXPECT_NEAR(diameter->result[0], 20.0, kTolerance);
    EXPECT_NEAR(diameter->result[1], 20.0 * kPi, kTolerance);
    EXPECT_NEAR(diameter->result[2], 100.0 * kPi, kTolerance);

    auto threePoint = Measured(M::kThreePointCircle, {{160, 100}, {100, 40}, {40, 100}, {10, 10}});
    EXPECT_NEAR(threePoint->result[0], 10.0, kTolerance);
    EXPECT_NEAR(threePoint->result[2], 100.0 * kPi, kTolerance);

    // A quarter of the 10 mm circle around (100, 100): arc 5π mm, sector 25π mm².
    const double s = 60.0 / std::sqrt(2.0);
    auto arc = Measured(M::kArc, {{160, 100}, {100, 40}, {100 + s, 100 - s}, {5, 5}});
    EXPECT_NEAR(arc->result[0], 10.0, kTolerance);
    EXPECT_NEAR(arc->result[1], 90.0, kTolerance);
    EXPECT_NEAR(arc->result[2], 5.0 * kPi, kTolerance);
    EXPECT_NEAR(arc->result[3], 25.0 * kPi, kTolerance);

    // Radii 30 and 60 pixels, centres 180 pixels apart: 5, 30 and 10 mm.
    auto two = Measured(M::kTwoCircles, {{70, 100}, {130, 100}, {220, 100}, {340, 100}, {5, 5}});
    EXPECT_NEAR(two->result[0], 5.0, kTolerance);
    EXPECT_NEAR(two->result[1], 30.0, kTolerance);
    EXPECT_NEAR(two->result[2], 10.0, kTolerance);
}

TEST_F(CalibratedShapeTest, DistancesConvertAndAnglesDoNot) {
    // The third point 48 pixels from the line: 8 mm.
    auto parallel = Measured(M::kParallel, {{10, 10}, {200, 10}, {50, 58}, {5, 5}});
    EXPECT_NEAR(parallel->result[0], 8.0, kTolerance);
    auto pointLine = Measured(M::kPointLine, {{50, 58}, {10, 10}, {200, 10}, {5, 5}});
    EXPECT_NEAR(pointLine->result[0], 8.0, kTolerance);

    auto angle = Measured(M::kThreePointAngle, {{160, 100}, {100, 40}, {100, 100}, {5, 5}});
    EXPECT_NEAR(angle->measure[0], 90.0, kTolerance);
    EXPECT_NEAR(angle->result[0], 90.0, kTolerance);
}

TEST_F(CalibratedShapeTest, AFlipCarriesEveryPointAndKeepsTheValues) {
    const double s = 60.0 / std::sqrt(2.0);
    auto arc = Measured(M::kArc, {{160, 100}, {100, 40}, {100 + s, 100 - s}, {5, 5}});
    arc->serial = 7;
    arc->exportMark = 1;

    // Columns of a 640-pixel picture: x becomes 639 − x.
    auto mirrored = MirroredShape(*arc, FlipAxis::LeftRight, 640);
    ASSERT_TRUE(mirrored);
    EXPECT_EQ(mirrored->points[0], (ShapePoint{479, 100}));
    EXPECT_EQ(mirrored->points[1], (ShapePoint{539, 40}));
    EXPECT_EQ(mirrored->points[3], (ShapePoint{634, 5})); // the label anchor
    EXPECT_EQ(mirrored->serial, 7);
    EXPECT_EQ(mirrored->exportMark, 1);
    EXPECT_EQ(mirrored->inProgress, 0);
    mirrored->ComputeResults();
    for (std::size_t i = 0; i < arc->result.size(); ++i) {
        EXPECT_NEAR(mirrored->result[i], arc->result[i], kTolerance) << i;
    }

    // Rows of a 480-pixel picture; a point on the last row stays placed.
    auto line = Measured(M::kLine, {{12, 479}, {132, 479}, {50, 50}});
    auto flipped = MirroredShape(*line, FlipAxis::UpDown, 480);
    EXPECT_TRUE(IsSet(flipped->points[0]) && IsSet(flipped->points[1]));
    EXPECT_NEAR(flipped->points[0].y, 0.0, 1e-6);
    EXPECT_EQ(flipped->points[2], (ShapePoint{50, 429}));
    flipped->ComputeResults();
    EXPECT_DOUBLE_EQ(flipped->result[0], 20.0);

    // Twice over the same axis is where it started.
    auto back =
        MirroredShape(*MirroredShape(*arc, FlipAxis::LeftRight, 640), FlipAxis::LeftRight, 640);
    EXPECT_EQ(back->points, arc->points);

    // A text note keeps its text; unplaced slots stay unplaced.
    auto note = Measured(M::kText, {{30, 40}});
    note->text = QStringLiteral("Gap A");
    auto movedNote = MirroredShape(*note, FlipAxis::UpDown, 480);
    EXPECT_EQ(movedNote->text, "Gap A");
    EXPECT_EQ(movedNote->points[0], (ShapePoint{30, 439}));
    EXPECT_FALSE(IsSet(movedNote->points[1]));
}

} // namespace
