#include "framework/RectTracker.h"

#include "framework/ui/RectTrackerPaint.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

// Readable rectangles in assertion messages (found by argument lookup).
void PrintTo(const QRect& rect, std::ostream* out) {
    *out << "QRect(" << rect.x() << ", " << rect.y() << ", " << rect.width() << "x" << rect.height()
         << ")";
}

namespace {

QRect Drag(CRectTracker& tracker, QPoint from, QPoint to) {
    tracker.BeginTrack(from, tracker.HitTest(from));
    tracker.TrackTo(to);
    tracker.EndTrack();
    return tracker.rect();
}

} // namespace

TEST(RectTracker, RubberBandNormalisesAndRefusesAClick) {
    CRectTracker tracker;
    tracker.BeginRubberBand({50, 40});
    tracker.TrackTo({20, 90});
    EXPECT_TRUE(tracker.tracking());
    EXPECT_EQ(tracker.rect(), QRect(20, 40, 30, 50));
    EXPECT_TRUE(tracker.EndTrack());
    EXPECT_EQ(tracker.rect(), QRect(20, 40, 30, 50));

    // A press and release on one spot selects nothing and keeps the old one.
    tracker.BeginRubberBand({5, 5});
    EXPECT_FALSE(tracker.EndTrack());
    EXPECT_EQ(tracker.rect(), QRect(20, 40, 30, 50));

    // Too thin for the minimum size: refused as well.
    tracker.SetMinimumSize(4);
    tracker.BeginRubberBand({0, 0});
    tracker.TrackTo({100, 3});
    EXPECT_FALSE(tracker.EndTrack());
    EXPECT_EQ(tracker.rect(), QRect(20, 40, 30, 50));
}

TEST(RectTracker, HitTestFindsHandlesBeforeTheInside) {
    CRectTracker tracker(QRect(10, 10, 100, 50)); // edges 10..110, 10..60
    EXPECT_EQ(tracker.HitTest({10, 10}), CRectTracker::hitTopLeft);
    EXPECT_EQ(tracker.HitTest({112, 8}), CRectTracker::hitTopRight);
    EXPECT_EQ(tracker.HitTest({110, 60}), CRectTracker::hitBottomRight);
    EXPECT_EQ(tracker.HitTest({10, 60}), CRectTracker::hitBottomLeft);
    EXPECT_EQ(tracker.HitTest({60, 10}), CRectTracker::hitTop);
    EXPECT_EQ(tracker.HitTest({110, 35}), CRectTracker::hitRight);
    EXPECT_EQ(tracker.HitTest({60, 60}), CRectTracker::hitBottom);
    EXPECT_EQ(tracker.HitTest({10, 35}), CRectTracker::hitLeft);
    EXPECT_EQ(tracker.HitTest({40, 30}), CRectTracker::hitMiddle);
    EXPECT_EQ(tracker.HitTest({200, 30}), CRectTracker::hitNothing);
    EXPECT_EQ(tracker.HandleRect(CRectTracker::hitMiddle), QRect());

    // In a tiny rectangle the corner handles still win.
    CRectTracker tiny(QRect(0, 0, 4, 4));
    EXPECT_EQ(tiny.HitTest({0, 0}), CRectTracker::hitTopLeft);
    EXPECT_EQ(tiny.HitTest({4, 4}), CRectTracker::hitBottomRight);
    EXPECT_EQ(CRectTracker().HitTest({0, 0}), CRectTracker::hitNothing);
}

TEST(RectTracker, EachHandleMovesItsOwnEdges) {
    const QRect start(10, 10, 100, 50);
    struct Case {
        QPoint grab;
        QRect expected;
    };
    const Case cases[] = {
        {{10, 10}, QRect(15, 17, 95, 43)},   // top left
        {{110, 10}, QRect(10, 17, 105, 43)}, // top right
        {{110, 60}, QRect(10, 10, 105, 57)}, // bottom right
        {{10, 60}, QRect(15, 10, 95, 57)},   // bottom left
        {{60, 10}, QRect(10, 17, 100, 43)},  // top
        {{110, 35}, QRect(10, 10, 105, 50)}, // right
        {{60, 60}, QRect(10, 10, 100, 57)},  // bottom
        {{10, 35}, QRect(15, 10, 95, 50)},   // left
        {{40, 30}, QRect(15, 17, 100, 50)},  // inside: moves
    };
    for (const Case& c : cases) {
        CRectTracker tracker(start);
        EXPECT_EQ(Drag(tracker, c.grab, c.grab + QPoint(5, 7)), c.expected)
            << "grab " << c.grab.x() << "," << c.grab.y();
    }
}

TEST(RectTracker, DraggingAnEdgePastTheOtherFlipsTheRectangle) {
    CRectTracker tracker(QRect(10, 10, 100, 50));
    EXPECT_EQ(Drag(tracker, {10, 35}, {130, 35}), QRect(110, 10, 20, 50));
}

TEST(RectTracker, StaysInsideItsBounds) {
    CRectTracker tracker(QRect(10, 10, 100, 50));
    tracker.SetBounds(QRect(0, 0, 200, 100));
    // Moving keeps the size and stops at the border.
    EXPECT_EQ(Drag(tracker, {40, 30}, {400, -300}), QRect(100, 0, 100, 50));
    // Resizing stops at the border.
    EXPECT_EQ(Drag(tracker, {200, 50}, {260, 150}), QRect(100, 0, 100, 100));
    // A rubber band started outside starts at the border.
    tracker.BeginRubberBand({-50, 20});
    tracker.TrackTo({30, 500});
    EXPECT_TRUE(tracker.EndTrack());
    EXPECT_EQ(tracker.rect(), QRect(0, 20, 30, 80));
}

TEST(RectTracker, CancelRestoresTheRectangle) {
    CRectTracker tracker(QRect(10, 10, 100, 50));
    tracker.BeginTrack({40, 30}, CRectTracker::hitMiddle);
    tracker.TrackTo({90, 90});
    EXPECT_EQ(tracker.rect(), QRect(60, 70, 100, 50));
    tracker.CancelTrack();
    EXPECT_FALSE(tracker.tracking());
    EXPECT_EQ(tracker.rect(), QRect(10, 10, 100, 50));
    tracker.TrackTo({0, 0}); // ignored when not dragging
    EXPECT_FALSE(tracker.EndTrack());
    EXPECT_EQ(tracker.rect(), QRect(10, 10, 100, 50));
}

TEST(RectTracker, DrawsOutlineAndHandlesOnly) {
    QImage image(60, 60, QImage::Format_RGB32);
    image.fill(QColor(0, 200, 0));
    CRectTracker tracker(QRect(10, 10, 40, 30));
    {
        QPainter painter(&image);
        DrawRectTracker(painter, tracker);
    }
    const QRgb green = qRgb(0, 200, 0);
    EXPECT_NE(image.pixel(20, 10), green) << "top edge";
    EXPECT_NE(image.pixel(49, 25), green) << "right edge";
    EXPECT_NE(image.pixel(10, 10), green) << "corner handle";
    EXPECT_EQ(image.pixel(30, 25), green) << "inside is left alone";
    EXPECT_EQ(image.pixel(2, 2), green) << "outside is left alone";
    EXPECT_EQ(RectTrackerCursor(CRectTracker::hitTopLeft), Qt::SizeFDiagCursor);
}
