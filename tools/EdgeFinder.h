#pragma once

#include <optional>

#include <QPoint>

// The edge searches the two automatic tools ask for while placing. The image
// view backs them with the edge tools on its document's picture; without a
// finder, or when a search fails, the placement falls back to the user's own
// clicks.

// The two ends of a measured distance.
struct CEdgeSegment {
    QPoint a;
    QPoint b;

    friend bool operator==(const CEdgeSegment&, const CEdgeSegment&) = default;
};

class IEdgeFinder {
public:
    virtual ~IEdgeFinder() = default;

    // The strongest edge point within `radius` pixels of `point`, both in
    // image pixels; nullopt when the search finds none.
    virtual std::optional<QPoint> SnapToEdge(QPoint point, int radius) = 0;

    // The distance between the two edge lines found near the guide lines
    // p1-q1 and p2-q2: `a` on the first line, `b` the foot of the
    // perpendicular on the second. Points in the view's logical device pixels
    // at `zoom` (image pixel = trunc(device / zoom + 0.5)); nullopt when either
    // line is not found.
    virtual std::optional<CEdgeSegment> TwoLinePerpendicular(QPoint p1, QPoint q1, QPoint p2,
                                                             QPoint q2, double zoom) = 0;
};
