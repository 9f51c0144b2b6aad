#include "tools/EdgeTools.h"

#include "image/Dib.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

// Contrasts the snapping tries, strongest first: 160, 140, ..., 20.
constexpr int kStrongestContrast = 160;
constexpr int kContrastStep = 20;
constexpr int kWeakestContrast = 20;
// How far a guide line's search rectangle reaches to either side of it.
constexpr int kGuideMargin = 20;

// The contrast level a difference of grey levels first passes: 0 for 160,
// 1 for 140, ..., 7 for 20.
int ContrastLevel(int difference) {
    if (difference >= kStrongestContrast) {
        return 0;
    }
    return (kStrongestContrast - difference + kContrastStep - 1) / kContrastStep;
}

// The ring r (r² - 1 <= d² <= r² + 1) a pixel at squared distance d² from the
// centre lies on; the rings are disjoint, so there is at most one. 0 for none,
// and for the centre itself, which never differs from itself.
int RingOf(std::int64_t squared) {
    const auto r = static_cast<std::int64_t>(std::llround(std::sqrt(static_cast<double>(squared))));
    return std::llabs(squared - r * r) <= 1 ? static_cast<int>(r) : 0;
}

int GreyAt(const CDib& picture, int x, int storedRow) {
    const std::uint8_t* bgr = picture.Row(storedRow) + 3 * static_cast<std::size_t>(x);
    return EdgeSearchGrey(bgr[0], bgr[1], bgr[2]);
}

// trunc(v + 0.5), kept inside the int range for points far outside the picture.
int RoundHalfUp(double v) {
    return static_cast<int>(std::clamp(v + 0.5, -1e9, 1e9));
}

QPoint ToImage(QPoint device, double zoom) {
    return {RoundHalfUp(device.x() / zoom), RoundHalfUp(device.y() / zoom)};
}

QPoint ToDevice(QPoint image, double zoom) {
    return {RoundHalfUp(image.x() * zoom), RoundHalfUp(image.y() * zoom)};
}

std::optional<CEdgeSegment> EdgeLineNear(const CDib& picture, QPoint p, QPoint q, double zoom) {
    const std::optional<CEdgeSearch> search = EdgeSearchFor(p, q);
    if (!search) {
        return std::nullopt;
    }
    const QRect rect(ToImage(search->rect.topLeft(), zoom),
                     ToImage(search->rect.bottomRight(), zoom));
    return DetectEdgeLine(picture, rect, search->orientation);
}

} // namespace

std::optional<QPoint> SnapToEdge(const CDib& picture, QPoint point, int radius) {
    if (!picture.IsValid() || picture.BitsPerPixel() != 24) {
        return std::nullopt;
    }
    const int x = point.x();
    const int y = point.y();
    if (x < 0 || y < 0 || x >= picture.Width() || y >= picture.Height()) {
        return std::nullopt;
    }
    // No ring can reach past the picture's width plus height.
    const int d = std::min(radius, picture.Width() + picture.Height());
    const int centre = GreyAt(picture, x, picture.StoredRow(y));
    // The nested search (contrast level, then ring, then position) in one pass:
    // each pixel's best place in that order is its own contrast level and
    // ring, and the first pixel in stored order wins among equals.
    std::optional<QPoint> best;
    int bestLevel = 0;
    int bestRing = 0;
    const int left = std::max(0, x - d);
    const int right = std::min(picture.Width() - 1, x + d);
    // Bottom row of the patch first, as the rows are stored.
    for (int row = std::min(picture.Height() - 1, y + d); row >= std::max(0, y - d); --row) {
        const int storedRow = picture.StoredRow(row);
        const std::int64_t dy = row - y;
        for (int column = left; column <= right; ++column) {
            const int difference = std::abs(GreyAt(picture, column, storedRow) - centre);
            if (difference < kWeakestContrast) {
                continue;
            }
            const std::int64_t dx = column - x;
            const int ring = RingOf(dx * dx + dy * dy);
            if (ring == 0 || ring >= d) {
                continue;
            }
            const int level = ContrastLevel(difference);
            if (!best || level < bestLevel || (level == bestLevel && ring < bestRing)) {
                best = QPoint(column, row);
                bestLevel = level;
                bestRing = ring;
            }
        }
    }
    return best;
}

std::optional<CEdgeSearch> EdgeSearchFor(QPoint p, QPoint q) {
    const int dx = q.x() - p.x();
    const int dy = q.y() - p.y();
    if (std::abs(dx) >= kGuideMargin && std::abs(dy) >= kGuideMargin) {
        const QRect box(QPoint(std::min(p.x(), q.x()), std::min(p.y(), q.y())),
                        QPoint(std::max(p.x(), q.x()), std::max(p.y(), q.y())));
        const bool falling = (dx > 0) == (dy > 0);
        return CEdgeSearch{box, falling ? EdgeOrientation::Falling : EdgeOrientation::Rising};
    }
    if (dy != 0 && std::abs(dx) < kGuideMargin) {
        const QPoint upper = dy > 0 ? p : q;
        const QPoint lower = dy > 0 ? q : p;
        const QRect rect(QPoint(upper.x() - kGuideMargin, upper.y()),
                         QPoint(lower.x() + kGuideMargin, lower.y()));
        EdgeOrientation orientation = EdgeOrientation::Vertical;
        if (dx != 0) {
            orientation =
                lower.x() > upper.x() ? EdgeOrientation::Falling : EdgeOrientation::Rising;
        }
        return CEdgeSearch{rect, orientation};
    }
    if (dx != 0) {
        const QPoint leftEnd = dx > 0 ? p : q;
        const QPoint rightEnd = dx > 0 ? q : p;
        const QRect rect(QPoint(leftEnd.x(), leftEnd.y() - kGuideMargin),
                         QPoint(rightEnd.x(), rightEnd.y() + kGuideMargin));
        EdgeOrientation orientation = EdgeOrientation::Horizontal;
        if (dy != 0) {
            orientation =
                rightEnd.y() > leftEnd.y() ? EdgeOrientation::Falling : EdgeOrientation::Rising;
        }
        return CEdgeSearch{rect, orientation};
    }
    return std::nullopt;
}

QPoint PerpendicularFoot(QPoint point, const CEdgeSegment& line) {
    const int x3 = line.a.x();
    const int y3 = line.a.y();
    const int x4 = line.b.x();
    const int y4 = line.b.y();
    if (x3 == x4) {
        return {x3, point.y()};
    }
    if (y3 == y4) {
        return {point.x(), y3};
    }
    // The line y = k x + c and the perpendicular through the point, y = h - x / k.
    const double k = static_cast<double>(y4 - y3) / (x4 - x3);
    const double c = y3 - k * x3;
    const double h = point.x() / k + point.y();
    const double fx = k * (h - c) / (k * k + 1);
    const double fy = (c + h * k * k) / (k * k + 1);
    return {static_cast<int>(std::lround(fx)), static_cast<int>(std::lround(fy))};
}

std::optional<CEdgeSegment> TwoLinePerpendicular(const CDib& picture, QPoint p1, QPoint q1,
                                                 QPoint p2, QPoint q2, double zoom) {
    if (!std::isfinite(zoom) || zoom <= 0) {
        return std::nullopt;
    }
    for (const QPoint& p : {p1, q1, p2, q2}) {
        if (p.x() == 0 || p.y() == 0) {
            return std::nullopt;
        }
    }
    const std::optional<CEdgeSegment> first = EdgeLineNear(picture, p1, q1, zoom);
    if (!first) {
        return std::nullopt;
    }
    const std::optional<CEdgeSegment> second = EdgeLineNear(picture, p2, q2, zoom);
    if (!second) {
        return std::nullopt;
    }
    const QPoint a((first->a.x() + first->b.x()) / 2, (first->a.y() + first->b.y()) / 2);
    return CEdgeSegment{ToDevice(a, zoom), ToDevice(PerpendicularFoot(a, *second), zoom)};
}
