#pragma once

#include <optional>

#include <QPoint>
#include <QRect>

// The geometry of a selection rectangle that the user drags open (rubber
// band), moves by its inside and resizes by eight handles. Coordinates are
// whatever the caller feeds in (view or image pixels), y downwards. The
// widget side is only: HitTest on press, Begin*/TrackTo on press and move,
// EndTrack on release, and DrawRectTracker/RectTrackerCursor to show it.
class CRectTracker {
public:
    // Handle numbers as the area tools have always used them.
    enum Hit {
        hitNothing = -1,
        hitTopLeft = 0,
        hitTopRight = 1,
        hitBottomRight = 2,
        hitBottomLeft = 3,
        hitTop = 4,
        hitRight = 5,
        hitBottom = 6,
        hitLeft = 7,
        hitMiddle = 8,
    };

    CRectTracker() = default;
    explicit CRectTracker(QRect rect)
        : m_rect(rect.normalized()) {}

    // The rectangle, normalised; during a drag the one being dragged.
    QRect rect() const;
    void SetRect(QRect rect);

    // Side of the square handles, centred on the corners and edge middles.
    int handleSize() const { return m_handleSize; }
    void SetHandleSize(int size) { m_handleSize = size > 0 ? size : 1; }
    // The rectangle is kept inside these bounds while dragging.
    void SetBounds(std::optional<QRect> bounds) { m_bounds = bounds; }
    // Smallest accepted width and height; a smaller result is refused.
    void SetMinimumSize(int minimum) { m_minimum = minimum > 0 ? minimum : 1; }

    // The handle (or inside) under `point`; handles win over the inside.
    Hit HitTest(QPoint point) const;
    // The square of a handle (empty for hitNothing and hitMiddle).
    QRect HandleRect(Hit hit) const;

    bool tracking() const { return m_tracking; }
    // Starts a new rectangle at `point` (hitNothing) or drags a handle or the
    // inside as `hit` says.
    void BeginTrack(QPoint point, Hit hit);
    void BeginRubberBand(QPoint point) { BeginTrack(point, hitNothing); }
    void TrackTo(QPoint point);
    // Ends the drag. True when the result is at least the minimum size; else
    // the rectangle returns to what it was before the drag.
    bool EndTrack();
    // Abandons the drag, restoring the rectangle.
    void CancelTrack();

private:
    QPoint Clamp(QPoint point) const;

    // Edges with right and bottom exclusive; may cross while dragging.
    struct Edges {
        int left = 0, top = 0, right = 0, bottom = 0;
    };
    static Edges EdgesOf(QRect rect);
    static QRect RectOf(Edges edges);

    QRect m_rect;
    int m_handleSize = 7;
    int m_minimum = 1;
    std::optional<QRect> m_bounds;

    bool m_tracking = false;
    Hit m_hit = hitNothing;
    QPoint m_start;
    Edges m_startEdges;
    Edges m_edges;
    QRect m_before;
};
