#pragma once

#include "tools/EdgeFinder.h"

#include <optional>

#include <QPoint>
#include <QRect>

class CDib;

// The edge searches of the automatic circle and the automatic line, on a
// still picture or a live frame. Toolkit-free: plain functions of the picture,
// safe to call from any thread as long as nobody writes the picture meanwhile.
//
// Picture points are image pixels, x to the right and y downwards (row 0 is
// the top row), whatever the picture's stored row order. Only 24-bit pictures
// are searched: any other depth, like a search that finds nothing, gives
// nullopt, and the caller keeps the user's own clicks. Nothing outside the
// picture is ever read; searches reaching past its border are clipped to it.
//

// The grey level the searches compare: the weighted sum rounded to the
// nearest integer, in double precision. Only the pixels a search looks at are
// converted.
inline int EdgeSearchGrey(int blue, int green, int red) {
    return static_cast<int>(0.11 * blue + 0.59 * green + 0.3 * red + 0.5);
}

// The click radius of the automatic circle, image pixels.
inline constexpr int kEdgeSnapRadius = 20;

// Which part of a search rectangle may hold the edge line, as seen on screen.
enum class EdgeOrientation : int {
    Any = 0,        // the whole rectangle
    Falling = 1,    // the diagonal quarter blocks from top-left to bottom-right
    Rising = 2,     // the diagonal quarter blocks from bottom-left to top-right
    Vertical = 3,   // the two middle column quarters
    Horizontal = 4, // the two middle row quarters
};

// Snap to edge: the point of the ring nearest to `point` (rings of radius
// 1 .. radius-1 around it) whose grey level differs most from the grey level
// at `point`. The contrast needed starts at 160 and drops by 20 down to 20;
// at each level the rings are searched from the inside out, and within a ring
// from the bottom row of the picture upwards, left to right. So a strong
// contrast far away beats a weaker one close by. nullopt when `point` lies
// outside the picture or no ring pixel differs by 20 or more.
std::optional<QPoint> SnapToEdge(const CDib& picture, QPoint point, int radius = kEdgeSnapRadius);

// Detect edge line: the boundary of the dark areas (Otsu's threshold of the
// rectangle's grey levels) inside `rect` (image pixels, ends included, as
// QRect's left()..right() and top()..bottom()), two pixels off its border and
// in the part `orientation` keeps, fed to the probabilistic Hough transform
// with the accumulator threshold lowered from the rectangle's diagonal until
// a segment turns up (down to 6); the shortest segment of that run, the later
// one of equally long ones. Ends in image pixels, in the order the transform
// gives them. nullopt when no segment turns up or the shortest one is a
// single point.
std::optional<CEdgeSegment> DetectEdgeLine(const CDib& picture, const QRect& rect,
                                           EdgeOrientation orientation);

// Where to look for the edge near a guide line drawn from `p` to `q`, in the
// coordinates of the points (y downwards).
struct CEdgeSearch {
    QRect rect;
    EdgeOrientation orientation = EdgeOrientation::Any;

    friend bool operator==(const CEdgeSearch&, const CEdgeSearch&) = default;
};
// A line with both |dx| and |dy| of 20 or more searches the box of its ends,
// Falling or Rising. A steeper one (|dx| < 20, dy != 0) searches from the
// upper end's row to the lower end's, 20 columns wider on each side, Vertical
// when dx = 0, else Falling or Rising by the lower end's side. A flatter one
// (|dy| < 20) searches from the left end's column to the right end's, 20 rows
// higher and lower, Horizontal when dy = 0. nullopt when p = q. The direction
// the line was drawn in does not matter.
std::optional<CEdgeSearch> EdgeSearchFor(QPoint p, QPoint q);

// The foot of the perpendicular from `point` onto the straight line through
// `line` (two different points), rounded to whole pixels.
QPoint PerpendicularFoot(QPoint point, const CEdgeSegment& line);

// Two-line perpendicular: the edge lines near the guide lines p1-q1 and p2-q2
// are detected (EdgeSearchFor, then DetectEdgeLine); `a` is the midpoint of
// the first edge line and `b` the foot of the perpendicular from it onto the
// second. All points are in device pixels at `zoom` (the still view's logical
// points, scroll included; the live frame's pixels at zoom 1): a device point
// v is the image pixel trunc(v / zoom + 0.5) and back trunc(x * zoom + 0.5).
// nullopt when either line is not found or a guide point has a coordinate 0
// (not placed yet); callers then measure between the guide lines' midpoints.
std::optional<CEdgeSegment> TwoLinePerpendicular(const CDib& picture, QPoint p1, QPoint q1,
                                                 QPoint p2, QPoint q2, double zoom);
