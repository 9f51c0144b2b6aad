#include "core/Parameters.h"
#include "framework/QImageDrawContext.h"
#include "shapes/ShapeKinds.h"
#include "tests/shapes/ShapeTestSupport.h"

#include <QImage>

namespace {

namespace M = MeasureMode;

constexpr QRgb kWhite = 0xFFFFFFFF;

// A shape of every kind with spread-out points, as a preview or completed.
std::unique_ptr<CShape> SampleShape(const CShapeKindInfo& info, bool completed) {
    static constexpr ShapePoint kPoints[kShapePointSlots] = {
        {40, 50}, {160, 70},  {90, 150}, {60, 120},  {150, 160}, {120, 40},
        {70, 90}, {130, 110}, {50, 170}, {170, 130}, {100, 100}};
    CShapeParams params;
    for (int i = 0; i < info.storedPoints; ++i) {
        params.points[i] = kPoints[i];
    }
    params.text = QStringLiteral("A note with some width");
    params.markNumber = 7;
    params.imgWidth = 300;
    params.imgHeight = 300;
    std::unique_ptr<CShape> shape = info.create(params);
    if (completed) {
        CompleteShape(*shape, 0);
    }
    return shape;
}

// The pixels a drawing changed on a white picture.
QRect Painted(const QImage& image) {
    QRect painted;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (row[x] != kWhite) {
                painted |= QRect(x, y, 1, 1);
            }
        }
    }
    return painted;
}

class ShapeBoundsTest : public ShapeTest {
protected:
    void SetUp() override {
        ShapeTest::SetUp();
        g_parameters = CParameters{};
    }
    void TearDown() override {
        g_parameters = CParameters{};
        ShapeTest::TearDown();
    }
};

} // namespace

TEST_F(ShapeBoundsTest, EveryKindDrawsOnlyInsideItsBounds) {
    struct Setting {
        double zoom;
        int penWidth;
        int textSize;
    };
    const Setting settings[] = {{1.0, 1, 16}, {0.5, 6, 30}, {1.8, 3, -12}};
    for (const CShapeKindInfo& info : ShapeKindTable()) {
        for (const bool completed : {false, true}) {
            for (const Setting& setting : settings) {
                g_parameters.textsize = setting.textSize;
                // Shifted so that nothing the shape draws falls off the picture.
                const CDrawParams params{.penWidth = setting.penWidth,
                                         .zoom = setting.zoom,
                                         .offsetX = -250,
                                         .offsetY = -250};
                std::unique_ptr<CShape> shape = SampleShape(info, completed);
                const QRect bounds = shape->DrawnBounds(params);

                QImage image(1100, 1000, QImage::Format_RGB32);
                image.fill(kWhite);
                {
                    CQImageDrawContext dc(image);
                    shape->Draw(dc, params);
                }
                const QRect painted = Painted(image);
                const bool clickShape = info.kind == ShapeKind::kSquareMark ||
                                        info.kind == ShapeKind::kCircleMark ||
                                        info.kind == ShapeKind::kText;
                if (!completed && clickShape) {
                    EXPECT_TRUE(painted.isEmpty()); // marks and text have no preview
                    continue;
                }
                ASSERT_FALSE(painted.isEmpty()) << info.className << " " << completed;
                EXPECT_TRUE(bounds.contains(painted))
                    << info.className << (completed ? " completed" : " preview") << " at zoom "
                    << setting.zoom << ": drew " << painted.left() << "," << painted.top() << " "
                    << painted.width() << "x" << painted.height() << " outside " << bounds.left()
                    << "," << bounds.top() << " " << bounds.width() << "x" << bounds.height();
                // Generous for labels, but still about the shape.
                EXPECT_LT(bounds.width(), painted.width() + 2000) << info.className;
            }
        }
    }
}

TEST_F(ShapeBoundsTest, BoundsHaveNoneOfTheSideEffectsOfDrawing) {
    const auto polygon = Measured(M::kPolygon, {{10, 10},
                                                {90, 10},
                                                {90, 60},
                                                {10, 60},
                                                {0, 0},
                                                {0, 0},
                                                {0, 0},
                                                {0, 0},
                                                {0, 0},
                                                {0, 0},
                                                {50, 80}});
    const auto line = Preview(M::kLine, {{10, 10}, {40, 50}, {60, 60}}); // 50 long
    CompleteShape(*line, 0);
    g_calibration.lastLineLength = 123.0;
    refreshes = 0;

    const QRect polygonBounds = polygon->DrawnBounds({});
    const QRect lineBounds = line->DrawnBounds({});
    EXPECT_EQ(refreshes, 0);
    EXPECT_EQ(g_calibration.lastLineLength, 123.0);
    EXPECT_TRUE(polygonBounds.contains(QRect(10, 10, 81, 51)));
    EXPECT_TRUE(lineBounds.contains(QPoint(40, 50)));
    EXPECT_DOUBLE_EQ(line->result[0], 50.0); // its label reads the fresh result

    QImage image(120, 100, QImage::Format_RGB32);
    CQImageDrawContext dc(image);
    polygon->Draw(dc, {});
    line->Draw(dc, {});
    EXPECT_EQ(refreshes, 1);
    EXPECT_DOUBLE_EQ(g_calibration.lastLineLength, 50.0);
}
