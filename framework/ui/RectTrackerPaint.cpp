#include "framework/ui/RectTrackerPaint.h"

#include <QPainter>
#include <QPen>

void DrawRectTracker(QPainter& painter, const CRectTracker& tracker) {
    const QRect rect = tracker.rect();
    if (rect.isEmpty()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Black dashes over white stay visible on any picture.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    if (!tracker.tracking()) {
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(Qt::black);
        for (int hit = CRectTracker::hitTopLeft; hit <= CRectTracker::hitLeft; ++hit) {
            painter.drawRect(tracker.HandleRect(static_cast<CRectTracker::Hit>(hit)));
        }
    }
    painter.restore();
}

Qt::CursorShape RectTrackerCursor(CRectTracker::Hit hit) {
    switch (hit) {
    case CRectTracker::hitTopLeft:
    case CRectTracker::hitBottomRight:
        return Qt::SizeFDiagCursor;
    case CRectTracker::hitTopRight:
    case CRectTracker::hitBottomLeft:
        return Qt::SizeBDiagCursor;
    case CRectTracker::hitTop:
    case CRectTracker::hitBottom:
        return Qt::SizeVerCursor;
    case CRectTracker::hitLeft:
    case CRectTracker::hitRight:
        return Qt::SizeHorCursor;
    case CRectTracker::hitMiddle:
        return Qt::SizeAllCursor;
    case CRectTracker::hitNothing:
        break;
    }
    return Qt::CrossCursor;
}
