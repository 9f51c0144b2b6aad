#include "tests/tools/EdgeTestSupport.h"
#include "tools/EdgeTools.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <random>

namespace {

// A picture of `background` grey with single pixels of other colours.
CDib Dots(int width, int height, int background, const std::map<std::pair<int, int>, Rgb>& dots) {
    return MakePicture(width, height, [&](int x, int y) {
        const auto dot = dots.find({x, y});
        return dot != dots.end() ? dot->second : Rgb{background, background, background};
    });
}

// The radius of the circle through three points.
double Circumradius(QPoint a, QPoint b, QPoint c) {
    const double ab = std::hypot(a.x() - b.x(), a.y() - b.y());
    const double bc = std::hypot(b.x() - c.x(), b.y() - c.y());
    const double ca = std::hypot(c.x() - a.x(), c.y() - a.y());
    const double cross =
        std::abs(double(b.x() - a.x()) * (c.y() - a.y()) - double(b.y() - a.y()) * (c.x() - a.x()));
    return ab * bc * ca / (2 * cross);
}

} // namespace

TEST(EdgeSnapTest, ClicksNearTheRimOfADiscSnapOntoItAndGiveItsRadius) {
    const QPoint centre(150, 140);
    const double radius = 60;
    const CDib disc = GreyPicture(301, 281, [&](int x, int y) {
        return std::hypot(x - centre.x(), y - centre.y()) <= radius ? 0 : 255;
    });
    // Inside and outside the rim, up to 12 pixels off it.
    const QPoint clicks[] = {{150 + 52, 141}, {150 - 20, 140 - 68}, {150 - 30, 140 + 45}};
    QPoint snapped[3];
    for (int i = 0; i < 3; ++i) {
        const std::optional<QPoint> edge = SnapToEdge(disc, clicks[i]);
        ASSERT_TRUE(edge) << "click " << i;
        snapped[i] = *edge;
        const double distance = std::hypot(edge->x() - centre.x(), edge->y() - centre.y());
        EXPECT_NEAR(distance, radius, 1.5) << "click " << i;
    }
    EXPECT_NEAR(Circumradius(snapped[0], snapped[1], snapped[2]), radius, 1.0);
}

TEST(EdgeSnapTest, StrongContrastFarAwayBeatsWeakerContrastNearby) {
    const QPoint c(30, 30);
    // Contrast 150 on ring 2 against 170 on ring 15.
    std::map<std::pair<int, int>, Rgb> dots = {{{32, 30}, Grey(200)}, {{30, 45}, Grey(220)}};
    EXPECT_EQ(SnapToEdge(Dots(61, 61, 50, dots), c), QPoint(30, 45));
    // Without the strong one the nearer pixel is found.
    dots.erase({30, 45});
    EXPECT_EQ(SnapToEdge(Dots(61, 61, 50, dots), c), QPoint(32, 30));

    // Contrasts 165 and 210 count alike (both pass 160): the inner ring wins.
    EXPECT_EQ(SnapToEdge(Dots(61, 61, 0, {{{30, 26}, Grey(210)}, {{33, 30}, Grey(165)}}), c),
              QPoint(33, 30));
    // On one ring at one level the bottom row of the picture comes first,
    // then the left.
    EXPECT_EQ(SnapToEdge(Dots(61, 61, 0, {{{30, 25}, Grey(255)}, {{30, 35}, Grey(255)}}), c),
              QPoint(30, 35));
    EXPECT_EQ(SnapToEdge(Dots(61, 61, 0, {{{35, 30}, Grey(255)}, {{25, 30}, Grey(255)}}), c),
              QPoint(25, 30));
    // (3, 3) away lies between rings 4 (15..17) and 5 (24..26), and 20 away
    // is past the last ring (19): neither is ever found.
    EXPECT_EQ(SnapToEdge(Dots(61, 61, 0, {{{33, 33}, Grey(255)}, {{50, 30}, Grey(255)}}), c),
              std::nullopt);
    // A smaller radius keeps the search closer.
    EXPECT_EQ(SnapToEdge(Dots(61, 61, 0, {{{30, 39}, Grey(255)}}), c, 10), QPoint(30, 39));
    EXPECT_EQ(SnapToEdge(Dots(61, 61, 0, {{{30, 40}, Grey(255)}}), c, 10), std::nullopt);
}

TEST(EdgeSnapTest, ContrastIsMeasuredOnRoundedWeightedGreyLevels) {
    const QPoint c(20, 20);
    EXPECT_EQ(SnapToEdge(FlatPicture(41, 41, {90, 120, 200}), c), std::nullopt);
    // Pure red 65 weighs 19.5, rounded to 20: just enough; red 64 is not.
    EXPECT_EQ(SnapToEdge(Dots(41, 41, 0, {{{24, 20}, {65, 0, 0}}}), c), QPoint(24, 20));
    EXPECT_EQ(SnapToEdge(Dots(41, 41, 0, {{{24, 20}, {64, 0, 0}}}), c), std::nullopt);
    // Red weighs 0.3 (grey 77, contrast level 60) and blue 0.11 (grey 28,
    // level 20): the red pixel wins though it is farther away.
    EXPECT_EQ(SnapToEdge(Dots(41, 41, 0, {{{20, 28}, {255, 0, 0}}, {{22, 20}, {0, 0, 255}}}), c),
              QPoint(20, 28));
}

TEST(EdgeSnapTest, OnlySearchesInsideTwentyFourBitPictures) {
    const CDib dots = Dots(41, 41, 0, {{{25, 20}, Grey(255)}});
    ASSERT_EQ(SnapToEdge(dots, {20, 20}), QPoint(25, 20));
    EXPECT_EQ(SnapToEdge(dots, {-1, 20}), std::nullopt);
    EXPECT_EQ(SnapToEdge(dots, {20, 41}), std::nullopt);
    EXPECT_EQ(SnapToEdge(dots, {20, 20}, 1), std::nullopt); // no ring at all

    EXPECT_EQ(SnapToEdge(EightBitCopy(dots), {20, 20}), std::nullopt);
    EXPECT_EQ(SnapToEdge(CDib(), {0, 0}), std::nullopt);
}

// Clicks on and up to 20 pixels around every border and corner of pictures
// smaller than the search patch, with padded rows: the snapped point is a
// picture pixel on a ring around the click. Run under AddressSanitizer this
// also shows that nothing outside the pixel buffer is read.
TEST(EdgeSnapTest, ClicksAtTheBordersStayInsideThePicture) {
    for (const QSize size : {QSize(37, 23), QSize(3, 2), QSize(61, 45)}) {
        const CDib checks = GreyPicture(size.width(), size.height(),
                                        [](int x, int y) { return ((x / 5 + y / 7) % 2) * 255; });
        for (int y = -21; y <= size.height() + 20; ++y) {
            for (int x = -21; x <= size.width() + 20; ++x) {
                const std::optional<QPoint> edge = SnapToEdge(checks, {x, y});
                const bool inside = x >= 0 && y >= 0 && x < size.width() && y < size.height();
                if (!inside) {
                    ASSERT_EQ(edge, std::nullopt) << x << ", " << y;
                } else if (edge) {
                    ASSERT_TRUE(QRect(QPoint(), size).contains(*edge)) << x << ", " << y;
                    ASSERT_LE(std::hypot(edge->x() - x, edge->y() - y), 19.1) << x << ", " << y;
                }
            }
        }
    }
}

namespace {

// The search as nested loops: contrast level, ring, then every pixel of the
// patch in stored order (bottom row first), skipping pixels off the picture.
std::optional<QPoint> NestedLoopSnap(const CDib& picture, QPoint p, int d) {
    const auto grey = [&](int x, int y) {
        const RgbQuad c = picture.PixelColor(x, y);
        return EdgeSearchGrey(c.blue, c.green, c.red);
    };
    const int centre = grey(p.x(), p.y());
    for (int threshold = 160; threshold >= 20; threshold -= 20) {
        for (int r = 1; r < d; ++r) {
            for (int i = 0; i <= 2 * d; ++i) {
                for (int j = 0; j <= 2 * d; ++j) {
                    const int x = p.x() - d + j;
                    const int y = p.y() + d - i;
                    const int squared = (j - d) * (j - d) + (i - d) * (i - d);
                    if (x < 0 || y < 0 || x >= picture.Width() || y >= picture.Height() ||
                        squared < r * r - 1 || squared > r * r + 1) {
                        continue;
                    }
                    if (std::abs(grey(x, y) - centre) >= threshold) {
                        return QPoint(x, y);
                    }
                }
            }
        }
    }
    return std::nullopt;
}

} // namespace

TEST(EdgeSnapTest, FindsWhatTheNestedSearchFinds) {
    std::mt19937 random(3);
    // Soft noise, so that every contrast level and ring gets its turn.
    const CDib noise = GreyPicture(90, 70, [&](int, int) { return 100 + int(random() % 120); });
    const CDib sparse = GreyPicture(
        90, 70, [&](int, int) { return random() % 40 == 0 ? int(random() % 256) : 128; });
    for (const CDib* picture : {&noise, &sparse}) {
        for (int i = 0; i < 300; ++i) {
            const QPoint p(int(random() % 90), int(random() % 70));
            const int radius = i % 3 == 0 ? 7 : kEdgeSnapRadius;
            ASSERT_EQ(SnapToEdge(*picture, p, radius), NestedLoopSnap(*picture, p, radius))
                << p.x() << ", " << p.y() << " radius " << radius;
        }
    }
}
