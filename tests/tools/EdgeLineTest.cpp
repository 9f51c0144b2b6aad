#include "tests/tools/EdgeTestSupport.h"
#include "tools/EdgeTools.h"
#include "tools/HoughSearch.h"

#include <cmath>
#include <opencv2/imgproc.hpp>
#include <random>

using O = EdgeOrientation;

void PrintTo(const CEdgeSegment& s, std::ostream* out) {
    *out << "(" << s.a.x() << ", " << s.a.y() << ")-(" << s.b.x() << ", " << s.b.y() << ")";
}

namespace {

double Length(const CEdgeSegment& s) {
    return std::hypot(s.b.x() - s.a.x(), s.b.y() - s.a.y());
}

// Dark bands 40 pixels wide with 40 pixels between them, on white, running
// along y = slope * x: with slope 0 the first band's last dark row is 79 and
// the second's first is 120.
CDib Bands(int width, int height, double slope) {
    return GreyPicture(width, height, [slope](int x, int y) {
        const double v = y - slope * x;
        return (v >= 40 && v < 80) || (v >= 120 && v < 160) ? 20 : 230;
    });
}

CDib Transposed(const CDib& picture) {
    return MakePicture(picture.Height(), picture.Width(),
                       [&](int x, int y) { return PixelAt(picture, y, x); });
}

} // namespace

TEST(EdgeLineTest, GuideLinesGiveSearchRectanglesWhicheverWayTheyAreDrawn) {
    struct Case {
        QPoint p;
        QPoint q;
        std::optional<CEdgeSearch> search;
    };
    const Case cases[] = {
        // Flatter than 20 rows: from the left end to the right one, 20 rows out.
        {{60, 81}, {240, 78}, CEdgeSearch{QRect(QPoint(60, 61), QPoint(240, 98)), O::Rising}},
        {{60, 78}, {240, 81}, CEdgeSearch{QRect(QPoint(60, 58), QPoint(240, 101)), O::Falling}},
        {{60, 80}, {240, 80}, CEdgeSearch{QRect(QPoint(60, 60), QPoint(240, 100)), O::Horizontal}},
        // Steeper than 20 columns: from the upper end to the lower one.
        {{100, 50}, {100, 250}, CEdgeSearch{QRect(QPoint(80, 50), QPoint(120, 250)), O::Vertical}},
        {{100, 50}, {110, 250}, CEdgeSearch{QRect(QPoint(80, 50), QPoint(130, 250)), O::Falling}},
        {{110, 50}, {100, 250}, CEdgeSearch{QRect(QPoint(90, 50), QPoint(120, 250)), O::Rising}},
        // Both 20 or more: the box of the ends.
        {{10, 20}, {70, 90}, CEdgeSearch{QRect(QPoint(10, 20), QPoint(70, 90)), O::Falling}},
        {{10, 90}, {70, 20}, CEdgeSearch{QRect(QPoint(10, 20), QPoint(70, 90)), O::Rising}},
        {{10, 20}, {30, 90}, CEdgeSearch{QRect(QPoint(10, 20), QPoint(30, 90)), O::Falling}},
        {{10, 20}, {30, 40}, CEdgeSearch{QRect(QPoint(10, 20), QPoint(30, 40)), O::Falling}},
        {{10, 20}, {29, 90}, CEdgeSearch{QRect(QPoint(-10, 20), QPoint(49, 90)), O::Falling}},
        {{10, 20}, {70, 39}, CEdgeSearch{QRect(QPoint(10, 0), QPoint(70, 59)), O::Falling}},
        // A short stroke counts as steep; a dot has no direction.
        {{10, 20}, {15, 25}, CEdgeSearch{QRect(QPoint(-10, 20), QPoint(35, 25)), O::Falling}},
        {{10, 20}, {10, 20}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EdgeSearchFor(c.p, c.q), c.search) << c.p.x() << ", " << c.p.y();
        EXPECT_EQ(EdgeSearchFor(c.q, c.p), c.search) << "backwards " << c.p.x() << ", " << c.p.y();
    }
}

TEST(EdgeLineTest, PerpendicularFootOnVerticalHorizontalAndSlopedLines) {
    EXPECT_EQ(PerpendicularFoot({30, 47}, {{80, 10}, {80, 90}}), QPoint(80, 47));
    EXPECT_EQ(PerpendicularFoot({30, 47}, {{10, 120}, {90, 120}}), QPoint(30, 120));
    EXPECT_EQ(PerpendicularFoot({0, 10}, {{0, 0}, {10, 10}}), QPoint(5, 5));
    EXPECT_EQ(PerpendicularFoot({0, 10}, {{10, 10}, {0, 0}}), QPoint(5, 5));
    EXPECT_EQ(PerpendicularFoot({5, 0}, {{0, 0}, {1, 2}}), QPoint(1, 2));
    // (0.8, 0.4) and (-3.2, 18.6) rounded.
    EXPECT_EQ(PerpendicularFoot({1, 0}, {{0, 0}, {2, 1}}), QPoint(1, 0));
    EXPECT_EQ(PerpendicularFoot({10, 23}, {{0, 10}, {-1, 12}}), QPoint(-3, 16));
}

// Stepping the threshold down one by one from the top and bisecting give the
// same run, on scattered points and on drawn lines of several lengths.
TEST(EdgeLineTest, ThresholdBisectionFindsTheRunSteppingDownFinds) {
    std::mt19937 random(5);
    for (int picture = 0; picture < 12; ++picture) {
        cv::Mat candidates = cv::Mat::zeros(60 + picture * 7, 90, CV_8UC1);
        for (int i = 0; i < 40 * picture; ++i) {
            candidates.at<std::uint8_t>(int(random() % unsigned(candidates.rows)),
                                        int(random() % 90)) = 255;
        }
        for (int i = 0; i < picture % 4; ++i) {
            cv::line(candidates, {int(random() % 90), int(random() % 60)},
                     {int(random() % 90), int(random() % 60)}, 255);
        }
        const int top = int(std::hypot(candidates.cols, candidates.rows));
        std::vector<cv::Vec4i> stepped;
        for (int threshold = top; threshold >= kLowestHoughThreshold && stepped.empty();
             --threshold) {
            cv::HoughLinesP(candidates, stepped, 1, CV_PI / 180, threshold, 0, 100);
        }
        EXPECT_EQ(FirstHoughSegments(candidates, top), stepped) << "picture " << picture;
    }
}

TEST(EdgeLineTest, OrientationKeepsOnlyItsQuarterBlocks) {
    // Rectangle 100 x 60 at (10, 10); screen quarters of columns 10..34,
    // 35..59, 60..84, 85..109 and rows 10..24, 25..39, 40..54, 55..69.
    const QRect rect(10, 10, 100, 60);
    // A dark bar whose right side (column 20) lies in the leftmost quarter.
    const CDib leftBar = GreyPicture(120, 80, [](int x, int) { return x <= 20 ? 0 : 255; });
    const std::optional<CEdgeSegment> side = DetectEdgeLine(leftBar, rect, O::Any);
    ASSERT_TRUE(side);
    EXPECT_EQ(side->a.x(), 20);
    EXPECT_EQ(side->b.x(), 20);
    EXPECT_EQ(DetectEdgeLine(leftBar, rect, O::Vertical), std::nullopt);

    // A dark square in the top-right block only.
    const CDib corner = GreyPicture(
        120, 80, [](int x, int y) { return x >= 90 && x <= 100 && y >= 14 && y <= 21 ? 0 : 255; });
    for (const O kept : {O::Any, O::Rising}) {
        const std::optional<CEdgeSegment> found = DetectEdgeLine(corner, rect, kept);
        ASSERT_TRUE(found) << int(kept);
        EXPECT_TRUE(QRect(QPoint(90, 14), QPoint(100, 21)).contains(found->a)) << int(kept);
        EXPECT_TRUE(QRect(QPoint(90, 14), QPoint(100, 21)).contains(found->b)) << int(kept);
    }
    for (const O masked : {O::Falling, O::Vertical, O::Horizontal}) {
        EXPECT_EQ(DetectEdgeLine(corner, rect, masked), std::nullopt) << int(masked);
    }
    // Turned upside down the square is in the bottom-right block.
    const CDib flipped =
        MakePicture(120, 80, [&](int x, int y) { return PixelAt(corner, x, 79 - y); });
    EXPECT_TRUE(DetectEdgeLine(flipped, rect, O::Falling));
    EXPECT_EQ(DetectEdgeLine(flipped, rect, O::Rising), std::nullopt);
}

TEST(EdgeLineTest, FindsNothingInUniformOrTinyRectanglesOrOtherDepths) {
    const CDib bands = Bands(300, 200, 0);
    const QRect aroundEdge(QPoint(60, 60), QPoint(240, 100));
    ASSERT_TRUE(DetectEdgeLine(bands, aroundEdge, O::Horizontal));
    EXPECT_EQ(DetectEdgeLine(bands, QRect(QPoint(60, 85), QPoint(240, 115)), O::Any), std::nullopt);
    // Inside the two-pixel frame there is no room for a line.
    EXPECT_EQ(DetectEdgeLine(bands, QRect(QPoint(60, 78), QPoint(240, 81)), O::Any), std::nullopt);
    EXPECT_EQ(DetectEdgeLine(bands, QRect(QPoint(400, 60), QPoint(500, 100)), O::Any),
              std::nullopt);
    EXPECT_EQ(DetectEdgeLine(EightBitCopy(bands), aroundEdge, O::Horizontal), std::nullopt);
}

TEST(EdgeLineTest, PerpendicularBetweenHorizontalEdgesStandsStraightUnderA) {
    const CDib bands = Bands(300, 200, 0);
    // Along the first band's lower edge and the second's upper edge.
    const QPoint p1(60, 81), q1(240, 78), p2(50, 118), q2(250, 122);
    const std::optional<CEdgeSegment> found = TwoLinePerpendicular(bands, p1, q1, p2, q2, 1.0);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->a.y(), 79);
    EXPECT_EQ(found->b, QPoint(found->a.x(), 120));
    EXPECT_GE(found->a.x(), 60);
    EXPECT_LE(found->a.x(), 240);
    // The gap of 40 rows lies between the boundary rows 79 and 120.
    EXPECT_NEAR(Length(*found), 40, 1);

    // Guide lines drawn the other way round search the same rectangles.
    EXPECT_EQ(TwoLinePerpendicular(bands, q1, p1, q2, p2, 1.0), found);
    EXPECT_EQ(
        DetectEdgeLine(bands, EdgeSearchFor(p1, q1)->rect, EdgeSearchFor(p1, q1)->orientation),
        DetectEdgeLine(bands, EdgeSearchFor(q1, p1)->rect, EdgeSearchFor(q1, p1)->orientation));
    // Measured from the second edge B lies straight above A.
    const std::optional<CEdgeSegment> upwards = TwoLinePerpendicular(bands, p2, q2, p1, q1, 1.0);
    ASSERT_TRUE(upwards);
    EXPECT_EQ(upwards->a.y(), 120);
    EXPECT_EQ(upwards->b, QPoint(upwards->a.x(), 79));
}

TEST(EdgeLineTest, PerpendicularBetweenVerticalEdgesStaysOnARow) {
    const CDib bands = Transposed(Bands(300, 200, 0));
    const std::optional<CEdgeSegment> found =
        TwoLinePerpendicular(bands, {80, 60}, {80, 240}, {119, 250}, {121, 50}, 1.0);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->a.x(), 79);
    EXPECT_EQ(found->b, QPoint(120, found->a.y()));
}

TEST(EdgeLineTest, PerpendicularBetweenSlopedEdgesMeasuresTheirDistanceAtAnyZoom) {
    // Bands along y = x / 3: 40 rows apart vertically, 40 * 3 / sqrt(10)
    // apart at right angles.
    const CDib bands = Bands(400, 300, 1.0 / 3);
    const double gap = 40 * 3 / std::sqrt(10.0);
    for (const double zoom : {1.0, 0.5, 1.8}) {
        const auto device = [zoom](int x, int y) {
            return QPoint(int(x * zoom + 0.5), int(y * zoom + 0.5));
        };
        const std::optional<CEdgeSegment> found = TwoLinePerpendicular(
            bands, device(100, 113), device(250, 163), device(100, 153), device(250, 203), zoom);
        ASSERT_TRUE(found) << zoom;
        // A on the first band's lower edge; A-B at right angles to the bands.
        const double ax = found->a.x() / zoom;
        const double ay = found->a.y() / zoom;
        EXPECT_NEAR(ay - ax / 3, 80, 2) << zoom;
        const double along = (found->b.x() - found->a.x()) * 3 + (found->b.y() - found->a.y());
        EXPECT_NEAR(along / std::sqrt(10.0) / zoom, 0, 1.5) << zoom;
        EXPECT_NEAR(Length(*found) / zoom, gap, 1.5) << zoom;
    }
}

TEST(EdgeLineTest, PerpendicularNeedsPlacedGuidePointsBothEdgesAndTwentyFourBits) {
    const CDib bands = Bands(300, 200, 0);
    const QPoint p1(60, 81), q1(240, 78), p2(50, 118), q2(250, 122);
    ASSERT_TRUE(TwoLinePerpendicular(bands, p1, q1, p2, q2, 1.0));
    EXPECT_EQ(TwoLinePerpendicular(EightBitCopy(bands), p1, q1, p2, q2, 1.0), std::nullopt);
    // A coordinate 0 marks a guide point not placed yet.
    EXPECT_EQ(TwoLinePerpendicular(bands, {0, 81}, q1, p2, q2, 1.0), std::nullopt);
    EXPECT_EQ(TwoLinePerpendicular(bands, p1, q1, p2, {250, 0}, 1.0), std::nullopt);
    // The second guide line over white only.
    EXPECT_EQ(TwoLinePerpendicular(bands, p1, q1, {50, 100}, {250, 100}, 1.0), std::nullopt);
    EXPECT_EQ(TwoLinePerpendicular(bands, p1, q1, p2, q2, 0.0), std::nullopt);
}

// Guide lines along and across every border and corner of pictures with
// padded rows and edges reaching the border: the searches are clipped to the
// picture and report points inside it. Under AddressSanitizer this also
// shows that nothing outside the pixel buffer is read.
TEST(EdgeLineTest, GuideLinesAtTheBordersStayInsideThePicture) {
    for (const QSize size : {QSize(97, 61), QSize(30, 23)}) {
        const QRect picture(QPoint(), size);
        const CDib checks = GreyPicture(size.width(), size.height(),
                                        [](int x, int y) { return ((x / 9 + y / 7) % 2) * 255; });
        const int w = size.width();
        const int h = size.height();
        std::vector<QPoint> ends;
        for (const int x : {-15, 1, 3, w / 2, w - 2, w + 15}) {
            for (const int y : {-15, 1, 3, h / 2, h - 1, h + 15}) {
                ends.emplace_back(x, y);
            }
        }
        for (const QPoint& p : ends) {
            for (const QPoint& q : ends) {
                const std::optional<CEdgeSearch> search = EdgeSearchFor(p, q);
                if (!search) {
                    continue;
                }
                const std::optional<CEdgeSegment> found =
                    DetectEdgeLine(checks, search->rect, search->orientation);
                if (found) {
                    ASSERT_TRUE(picture.contains(found->a) && picture.contains(found->b));
                }
            }
            const std::optional<CEdgeSegment> measured =
                TwoLinePerpendicular(checks, p, {w - 1, h - 1}, {1, h - 1}, p, 1.0);
            if (measured) {
                ASSERT_TRUE(picture.contains(measured->a));
            }
        }
    }
}
