#include "framework/QImageDrawContext.h"

#include "tests/support/TestEnvironment.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kRed = 0xFFFF0000;
constexpr COLORREF kRedPen = MakeColorref(255, 0, 0);

QImage Canvas(int width, int height, QRgb fill = kWhite) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

// The pixels that differ from `background`.
std::vector<QPoint> Changed(const QImage& image, QRgb background = kWhite) {
    std::vector<QPoint> changed;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background) {
                changed.emplace_back(x, y);
            }
        }
    }
    return changed;
}

QRect Bounds(const std::vector<QPoint>& points) {
    QRect bounds;
    for (const QPoint& p : points) {
        bounds |= QRect(p, QSize(1, 1));
    }
    return bounds;
}

QRect InkBounds(const QImage& image, QRgb background = kWhite) {
    return Bounds(Changed(image, background));
}

// Draws with a fresh context and returns the picture.
template <typename Draw>
QImage Drawn(QImage image, Draw draw) {
    {
        CQImageDrawContext dc(image);
        dc.SetPen({PenStyle::Solid, 1, kRedPen});
        dc.SetBrush(Brush::Hollow);
        draw(dc);
    }
    return image;
}

CLogFont Arial(int height) {
    CLogFont font;
    font.height = height;
    return font;
}

} // namespace

TEST(QImageDrawContext, OnePixelLinesAreAliasedAndLeaveOutTheirEndPixel) {
    const QImage horizontal =
        Drawn(Canvas(64, 48), [](CDrawContext& dc) { dc.Line(10, 20, 30, 20); });
    const auto pixels = Changed(horizontal);
    EXPECT_EQ(Bounds(pixels), QRect(QPoint(10, 20), QPoint(29, 20)));
    EXPECT_EQ(pixels.size(), 20u);
    for (const QPoint& p : pixels) {
        EXPECT_EQ(horizontal.pixel(p), kRed) << p.x();
    }

    // Whatever the direction, the end pixel is the one left out.
    const QImage leftwards =
        Drawn(Canvas(64, 48), [](CDrawContext& dc) { dc.Line(30, 20, 10, 20); });
    EXPECT_EQ(InkBounds(leftwards), QRect(QPoint(11, 20), QPoint(30, 20)));

    // Lines reaching far past the picture draw its part of them, no more
    // slowly and on the same pixels as if the picture were larger.
    const QImage across = Drawn(Canvas(64, 48), [](CDrawContext& dc) {
        dc.Line(-2000000000, 20, 2000000000, 20);
        dc.Line(-40, -20, 40, 20);
    });
    EXPECT_EQ(InkBounds(across), QRect(0, 0, 64, 21));
    const QImage larger = Drawn(Canvas(128, 96), [](CDrawContext& dc) {
        dc.Line(-1999999936, 44, 2000000000, 44);
        dc.Line(24, 4, 104, 44);
    });
    EXPECT_EQ(larger.copy(64, 24, 64, 48), across);

    // A chain of LineTo calls joins up without drawing any pixel twice.
    const QImage chain = Drawn(Canvas(64, 48), [](CDrawContext& dc) {
        dc.SetRasterMode(RasterMode::NotXorPen);
        dc.MoveTo(5, 5);
        dc.LineTo(5, 15);
        dc.LineTo(25, 15);
        dc.LineTo(25, 5);
        dc.LineTo(5, 5);
    });
    const auto chainPixels = Changed(chain);
    EXPECT_EQ(Bounds(chainPixels), QRect(QPoint(5, 5), QPoint(25, 15)));
    EXPECT_EQ(chainPixels.size(), 10u + 20u + 10u + 20u);
    for (const QPoint& p : chainPixels) {
        EXPECT_EQ(chain.pixel(p), kRed) << p.x() << "," << p.y();
    }
}

TEST(QImageDrawContext, ThinFiguresLandOnTheSamePixelsInEveryPictureFormat) {
    // 32-bit pictures take their thin lines' pixels directly, others through
    // the painter: the pixels must not depend on which.
    const auto figures = [](CDrawContext& dc) {
        dc.Line(-30, 5, 90, 40);
        dc.Line(60, 47, 3, 0);
        dc.SetPen({PenStyle::Dash, 1, MakeColorref(10, 200, 30)});
        dc.Line(2, 44, 62, 44);
        dc.Rectangle(8, 8, 40, 30);
        dc.SetPen({PenStyle::Dot, 1, MakeColorref(0, 0, 250)});
        dc.SetBrush(Brush::White);
        dc.Rectangle(30, 20, 70, 60);
    };
    const QImage direct = Drawn(Canvas(64, 48, 0xFF808080), figures);
    QImage viaPainter(64, 48, QImage::Format_RGB888);
    viaPainter.fill(QColor(0x80, 0x80, 0x80));
    viaPainter = Drawn(viaPainter, figures);
    EXPECT_EQ(direct, viaPainter.convertToFormat(QImage::Format_RGB32));
    EXPECT_GT(Changed(direct, 0xFF808080).size(), 200u);
}

TEST(QImageDrawContext, RectanglesAndEllipsesStayInsideTheRightAndBottomEdge) {
    const QImage rectangle =
        Drawn(Canvas(64, 48), [](CDrawContext& dc) { dc.Rectangle(10, 10, 20, 16); });
    EXPECT_EQ(InkBounds(rectangle), QRect(QPoint(10, 10), QPoint(19, 15)));
    EXPECT_EQ(Changed(rectangle).size(), 28u); // the outline only, each corner once

    const QImage ellipse =
        Drawn(Canvas(64, 48), [](CDrawContext& dc) { dc.Ellipse(10, 10, 30, 24); });
    EXPECT_EQ(InkBounds(ellipse), QRect(QPoint(10, 10), QPoint(29, 23)));
    EXPECT_EQ(ellipse.pixel(20, 17), kWhite);

    // The white brush, a new context's first, fills the inside.
    const QImage filled = Drawn(Canvas(64, 48, kBlack), [](CDrawContext& dc) {
        dc.SetBrush(Brush::White);
        dc.Rectangle(10, 10, 20, 16);
    });
    EXPECT_EQ(filled.pixel(15, 13), kWhite);
    EXPECT_EQ(filled.pixel(10, 10), kRed);
}

TEST(QImageDrawContext, ArcsRunCounterClockwiseFromStartToEnd) {
    // A circle of diameter 40 centred on (30, 30); east is (50, 30), north (30, 10).
    const QImage eastToNorth =
        Drawn(Canvas(64, 64), [](CDrawContext& dc) { dc.Arc(10, 10, 51, 51, 60, 30, 30, 0); });
    // The ends may be a pixel off the exact quarter points.
    const QRect quarter = InkBounds(eastToNorth);
    EXPECT_NEAR(quarter.left(), 30, 1);
    EXPECT_NEAR(quarter.right(), 50, 1);
    EXPECT_NEAR(quarter.top(), 10, 1);
    EXPECT_NEAR(quarter.bottom(), 30, 1);

    const QImage northToEast =
        Drawn(Canvas(64, 64), [](CDrawContext& dc) { dc.Arc(10, 10, 51, 51, 30, 0, 60, 30); });
    const QRect threeQuarters = InkBounds(northToEast);
    EXPECT_EQ(threeQuarters.left(), 10);
    EXPECT_EQ(threeQuarters.bottom(), 50);
    EXPECT_NEAR(threeQuarters.top(), 10, 1);
    EXPECT_NEAR(threeQuarters.right(), 50, 1);
    for (const QPoint& p : Changed(northToEast)) {
        EXPECT_FALSE(p.x() > 32 && p.y() < 28)
            << "upper right quarter at " << p.x() << "," << p.y();
    }

    // On an ellipse the ends lie on the rays through the given points: the
    // rays through the box's top corners cut the ellipse at 45 degrees of its
    // parameter, ±21 pixels around the centre of this 60 × 30 one.
    const QImage top =
        Drawn(Canvas(80, 48), [](CDrawContext& dc) { dc.Arc(10, 10, 71, 41, 70, 10, 10, 10); });
    const QRect topBounds = InkBounds(top);
    EXPECT_NEAR(topBounds.left(), 40 - 21, 1);
    EXPECT_NEAR(topBounds.right(), 40 + 21, 1);
    EXPECT_NEAR(topBounds.top(), 10, 1);
}

TEST(QImageDrawContext, NotXorDrawnTwiceRestoresThePicture) {
    QImage picture(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) % 256));
        }
    }
    QImage image = picture;
    const auto preview = [](CDrawContext& dc) {
        dc.SetRasterMode(RasterMode::NotXorPen);
        dc.Rectangle(5, 5, 40, 30);
        dc.Ellipse(8, 8, 50, 40);
        dc.Arc(20, 2, 60, 42, 60, 22, 40, 2);
        dc.SetPen({PenStyle::Solid, 3, MakeColorref(0, 200, 50)});
        dc.Line(2, 44, 60, 20);
        dc.SetPen({PenStyle::Dash, 1, MakeColorref(0, 0, 255)});
        dc.Line(2, 2, 60, 2);
    };
    image = Drawn(image, preview);
    ASSERT_NE(image, picture);
    // Each pixel of the outline is inverted against the pen exactly once.
    EXPECT_EQ(image.pixel(5, 5), ~(qRgb(255, 0, 0) ^ picture.pixel(5, 5)));
    image = Drawn(image, preview);
    EXPECT_EQ(image, picture);
}

TEST(QImageDrawContext, StyledAndWidePens) {
    // Lengths of the alternating painted and untouched runs along a row.
    const auto runs = [](const QImage& image, int y, int fromX, int toX) {
        std::vector<int> lengths;
        bool lastPainted = false;
        for (int x = fromX; x < toX; ++x) {
            const bool painted = image.pixel(x, y) != kBlack;
            if (lengths.empty() || painted != lastPainted) {
                lengths.push_back(0);
                lastPainted = painted;
            }
            ++lengths.back();
        }
        return lengths;
    };
    // Opaque text before must not fill the gaps of styled lines.
    const QImage styled = Drawn(Canvas(80, 20, kBlack), [](CDrawContext& dc) {
        dc.TextOut(60, 5, QStringLiteral("x"));
        dc.SetPen({PenStyle::Dot, 1, kRedPen});
        dc.Line(0, 2, 24, 2);
        dc.SetPen({PenStyle::Dash, 1, kRedPen});
        dc.Line(0, 6, 48, 6);
    });
    EXPECT_EQ(styled.pixel(0, 2), kRed);
    EXPECT_EQ(runs(styled, 2, 0, 24), std::vector<int>(8, 3));
    EXPECT_EQ(styled.pixel(0, 6), kRed);
    EXPECT_EQ(runs(styled, 6, 0, 48), (std::vector<int>{18, 6, 18, 6}));

    // A 3-pixel line covers three whole rows around its own.
    const QImage wide = Drawn(Canvas(40, 40), [](CDrawContext& dc) {
        dc.SetPen({PenStyle::Solid, 3, kRedPen});
        dc.Line(10, 20, 30, 20);
    });
    EXPECT_EQ(wide.pixel(20, 19), kRed);
    EXPECT_EQ(wide.pixel(20, 20), kRed);
    EXPECT_EQ(wide.pixel(20, 21), kRed);
    EXPECT_EQ(wide.pixel(20, 18), kWhite);
    EXPECT_EQ(wide.pixel(20, 22), kWhite);
}

TEST(QImageDrawContext, FontHeightsKeepTheirLogFontMeaning) {
    // A positive height is the cell (ascent + descent), a negative one the
    // character height; "Arial" gets its metric twin.
    for (const int cell : {12, 16, 24, 40}) {
        EXPECT_NEAR(QFontMetrics(MakeQFont(Arial(cell))).height(), cell, 1) << cell;
    }
    EXPECT_EQ(MakeQFont(Arial(-20)).pixelSize(), 20);
    EXPECT_EQ(QFontInfo(MakeQFont(Arial(16))).family(), QStringLiteral("Liberation Sans"));

    // Capital E of Arial is 0.716 of the character height tall.
    const auto capitalHeight = [](int height) {
        return InkBounds(Drawn(Canvas(80, 60),
                               [height](CDrawContext& dc) {
                                   dc.SetFont(Arial(height));
                                   dc.TextOut(10, 10, QStringLiteral("E"));
                               }))
            .height();
    };
    EXPECT_NEAR(capitalHeight(-20), 14, 1);
    EXPECT_NEAR(capitalHeight(16), 10, 1);
}

TEST(QImageDrawContext, TextIsPlacedByTheTopLeftOfItsCell) {
    const auto drawn = [](BackgroundMode mode, const QString& text) {
        return Drawn(Canvas(80, 40, qRgb(0, 0, 255)), [&](CDrawContext& dc) {
            dc.SetFont(Arial(16));
            dc.SetTextColor(MakeColorref(0, 255, 0));
            dc.SetBackgroundMode(mode);
            dc.TextOut(20, 10, text);
        });
    };
    // Cell 16: character height 14, ascent 13, so the baseline is row 23 and
    // the capital's top about ten rows higher.
    const QImage transparent = drawn(BackgroundMode::Transparent, QStringLiteral("E"));
    const QRect inkBounds = InkBounds(transparent, qRgb(0, 0, 255));
    EXPECT_NEAR(inkBounds.left(), 21, 1);
    EXPECT_NEAR(inkBounds.top(), 13, 1);
    EXPECT_NEAR(inkBounds.bottom(), 22, 1);
    const auto ink = Changed(transparent, qRgb(0, 0, 255));
    EXPECT_TRUE(std::any_of(ink.begin(), ink.end(),
                            [&](QPoint p) { return transparent.pixel(p) == qRgb(0, 255, 0); }));
    EXPECT_EQ(transparent.pixel(20, 10), qRgb(0, 0, 255));

    // An opaque background paints the cell white, starting at its top-left.
    const QImage opaque = drawn(BackgroundMode::Opaque, QStringLiteral("E"));
    EXPECT_EQ(opaque.pixel(20, 10), kWhite);
    EXPECT_EQ(opaque.pixel(19, 10), qRgb(0, 0, 255));
    EXPECT_EQ(opaque.pixel(20, 9), qRgb(0, 0, 255));

    // Chinese labels come out as their own glyphs, not as missing-glyph boxes.
    const QImage first = drawn(BackgroundMode::Transparent, QString::fromUtf8("测"));
    const QImage second = drawn(BackgroundMode::Transparent, QString::fromUtf8("量"));
    EXPECT_FALSE(Changed(first, qRgb(0, 0, 255)).empty());
    EXPECT_NE(first, second);
}

TEST(QImageDrawContext, CachedTextLandsOnTheSamePixelsAsText) {
    const QStringList labels{"L:30.00mm", "A:1234.57mm²", "Deg:45.0°", "Recording...",
                             "12",        "W:0.001cm",    "测量"};
    const auto labelled = [&labels](CShapedTextCache* cache) {
        QImage image = Canvas(220, 40 * labels.size(), 0xFF406080);
        CQImageDrawContext dc(image);
        dc.UseShapedTextCache(cache);
        dc.SetBackgroundMode(BackgroundMode::Transparent);
        dc.SetTextColor(MakeColorref(0, 255, 0));
        for (int i = 0; i < labels.size(); ++i) {
            dc.SetFont(Arial(i % 2 == 0 ? 14 : -11));
            dc.TextOut(3, 40 * i, labels[i]);
            dc.DrawCenteredText(120, 40 * i + 18, 200, 40 * i + 36, labels[i]);
        }
        // Opaque text keeps its background box.
        dc.SetBackgroundMode(BackgroundMode::Opaque);
        dc.TextOut(150, 2, labels[0]);
        return image;
    };
    CShapedTextCache cache;
    const QImage plain = labelled(nullptr);
    EXPECT_EQ(labelled(&cache), plain);
    EXPECT_EQ(labelled(&cache), plain) << "drawn again from the cache";
}

TEST(QImageDrawContext, CenteredTextIsCentredAtTheTopOfItsBoxAndNotCut) {
    const auto drawn = [](int left, int right, const QString& text) {
        return InkBounds(Drawn(Canvas(100, 40), [&](CDrawContext& dc) {
            dc.SetBackgroundMode(BackgroundMode::Transparent);
            dc.DrawCenteredText(left, 10, right, 34, text);
        }));
    };
    const QRect narrow = drawn(0, 100, QStringLiteral("88"));
    EXPECT_NEAR(narrow.center().x(), 50, 2);
    const QRect atTopLeft = InkBounds(
        Drawn(Canvas(100, 40), [](CDrawContext& dc) { dc.TextOut(0, 10, QStringLiteral("88")); }));
    EXPECT_EQ(narrow.top(), atTopLeft.top());

    const QRect wide = drawn(40, 60, QStringLiteral("8888888888"));
    EXPECT_LT(wide.left(), 30);
    EXPECT_GT(wide.right(), 70);
    EXPECT_NEAR(wide.center().x(), 50, 2);
}

TEST(QImageDrawContext, PixelsAndImagesIgnoreNotXorAndRestoredPensComeBack) {
    const QImage image = Drawn(Canvas(20, 20), [](CDrawContext& dc) {
        dc.SetRasterMode(RasterMode::NotXorPen);
        dc.SetPixel(5, 5, kRedPen);
        dc.SetPixel(5, 5, kRedPen);
        {
            CDrawStateGuard guard(dc);
            dc.SetPen({PenStyle::Solid, 1, MakeColorref(0, 0, 255)});
            dc.SetRasterMode(RasterMode::CopyPen);
        }
        dc.Line(0, 10, 10, 10); // red on white, inverted against red: red
    });
    EXPECT_EQ(image.pixel(5, 5), kRed);
    EXPECT_EQ(image.pixel(4, 10), kRed);

    // A 2 × 2 picture stretched onto 4 × 4 pixels: whole blocks, no blending.
    QImage source(2, 2, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(10, 20, 30));
    source.setPixel(1, 0, qRgb(200, 0, 0));
    source.setPixel(0, 1, qRgb(0, 200, 0));
    source.setPixel(1, 1, qRgb(0, 0, 200));
    QImage target = Canvas(6, 6);
    {
        CQImageDrawContext dc(target);
        dc.SetRasterMode(RasterMode::NotXorPen);
        dc.DrawImage(1, 1, 4, 4, source);
    }
    EXPECT_EQ(target.pixel(2, 2), qRgb(10, 20, 30));
    EXPECT_EQ(target.pixel(3, 1), qRgb(200, 0, 0));
    EXPECT_EQ(target.pixel(2, 3), qRgb(0, 200, 0));
    EXPECT_EQ(target.pixel(4, 4), qRgb(0, 0, 200));
    EXPECT_EQ(target.pixel(5, 5), kWhite);
}
