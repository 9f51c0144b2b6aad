#include "core/Parameters.h"
#include "framework/QImageDrawContext.h"
#include "shapes/ShapeKinds.h"
#include "tests/shapes/ShapeTestSupport.h"

#include <QImage>

namespace {

namespace M = MeasureMode;

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kRed = 0xFFFF0000;

// Shapes drawn on a real picture, checked pixel by pixel.
class ShapePixelTest : public ShapeTest {
protected:
    void SetUp() override {
        ShapeTest::SetUp();
        g_parameters = CParameters{};
    }
    void TearDown() override {
        g_parameters = CParameters{};
        ShapeTest::TearDown();
    }

    static QImage White(int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(kWhite);
        return image;
    }

    static void Draw(QImage& image, CShape& shape, const CDrawParams& params = {},
                     RasterMode mode = RasterMode::CopyPen) {
        CQImageDrawContext dc(image);
        dc.SetRasterMode(mode);
        shape.Draw(dc, params);
    }
};

TEST_F(ShapePixelTest, AOnePixelHorizontalDistanceLandsOnItsRow) {
    QImage image = White(100, 60);
    const auto line = Measured(M::kHorizontalLine, {{10, 20}, {70, 20}, {80, 50}});
    line->imgWidth = 100;
    line->imgHeight = 60;
    Draw(image, *line);
    for (int x = 0; x < 100; ++x) {
        EXPECT_EQ(image.pixel(x, 20), x >= 10 && x <= 70 ? kRed : kWhite) << x;
    }
    // The bars run across the row at both ends, 40 pixels long, their last
    // pixel left out as every line's is.
    for (int y = 0; y < 60; ++y) {
        EXPECT_EQ(image.pixel(10, y), y >= 1 && y <= 40 ? kRed : kWhite) << y;
        EXPECT_EQ(image.pixel(9, y), kWhite) << y;
    }
}

TEST_F(ShapePixelTest, TheRectangleLeavesOutItsRightAndBottomEdges) {
    QImage image = White(80, 50);
    const auto rectangle = Measured(M::kRectangle, {{10, 10}, {50, 30}, {70, 45}});
    rectangle->textColor = MakeColorref(0, 0, 255);
    g_parameters.textsize = 1; // keeps the labels out of the way
    Draw(image, *rectangle);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            const bool outline = ((x == 10 || x == 49) && y >= 10 && y <= 29) ||
                                 ((y == 10 || y == 29) && x >= 10 && x <= 49);
            EXPECT_EQ(image.pixel(x, y), outline ? kRed : kWhite) << x << "," << y;
        }
    }
}

TEST_F(ShapePixelTest, APreviewDrawnTwiceInNotXorLeavesNoTrace) {
    QImage picture(160, 120, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixel(x, y, qRgb(x, y * 2, (x + y) % 256));
        }
    }
    struct Case {
        int mode;
        std::initializer_list<ShapePoint> points;
    };
    const Case cases[] = {
        {M::kParallel, {{20, 30}, {140, 50}, {60, 100}}},
        {M::kFourPointAngle, {{20, 100}, {60, 70}, {140, 100}, {100, 60}}},
        {M::kPointLine, {{80, 20}, {10, 100}, {150, 90}}},
        {M::kAutoLine, {{20, 30}, {140, 40}, {20, 90}, {140, 80}}},
        {M::kArc, {{30, 90}, {130, 90}, {80, 40}}},
        {M::kLine, {{15, 15}, {150, 110}}},
    };
    for (const Case& c : cases) {
        const auto preview = Preview(c.mode, c.points);
        preview->imgWidth = picture.width();
        preview->imgHeight = picture.height();
        for (const int width : {1, 3}) {
            QImage image = picture;
            Draw(image, *preview, {.penWidth = width}, RasterMode::NotXorPen);
            EXPECT_NE(image, picture) << c.mode;
            Draw(image, *preview, {.penWidth = width}, RasterMode::NotXorPen);
            EXPECT_EQ(image, picture) << c.mode << " width " << width;
        }
    }
}

TEST_F(ShapePixelTest, LabelsAreWrittenBelowAndRightOfTheirTopLeftCorner) {
    QImage image = White(200, 120);
    const auto line = Measured(M::kLine, {{20, 300}, {60, 300}, {120, 100}});
    line->textColor = MakeColorref(0, 0, 255);
    Draw(image, *line, {.zoom = 0.5});
    // Anchor (60, 50) at half zoom; the figure lies below the picture.
    QRect written;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != kWhite) {
                EXPECT_GT(qBlue(image.pixel(x, y)), qRed(image.pixel(x, y))) << x << "," << y;
                written |= QRect(x, y, 1, 1);
            }
        }
    }
    ASSERT_FALSE(written.isEmpty());
    EXPECT_GE(written.left(), 60);
    EXPECT_LE(written.left(), 62);
    EXPECT_GE(written.top(), 50);
    EXPECT_LE(written.bottom(), 50 + 16);
    EXPECT_GT(written.width(), 40); // "L:40.000000mm"
}

} // namespace
