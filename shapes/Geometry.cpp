#include "shapes/Geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

double SquaredDistance(const ShapePoint& a, const ShapePoint& b) {
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    return dx * dx + dy * dy;
}

// Whole-pixel value of a vertex coordinate: v + 0.5 truncated toward zero.
double WholePixel(double v) {
    return std::trunc(v + 0.5);
}

} // namespace

double Distance(const ShapePoint& a, const ShapePoint& b) {
    return std::sqrt(SquaredDistance(a, b));
}

ShapePoint Midpoint(const ShapePoint& a, const ShapePoint& b) {
    return ShapePoint{(a.x + b.x) / 2.0, (a.y + b.y) / 2.0};
}

double AngleBetweenLines(const ShapePoint& a1, const ShapePoint& a2, const ShapePoint& b1,
                         const ShapePoint& b2) {
    const bool firstVertical = a2.x == a1.x;
    const bool secondVertical = b2.x == b1.x;
    const double k1 = firstVertical ? 0.0 : (a2.y - a1.y) / (a2.x - a1.x);
    const double k2 = secondVertical ? 0.0 : (b2.y - b1.y) / (b2.x - b1.x);

    ShapePoint x;
    if (firstVertical) {
        if (secondVertical) {
            return 0.0;
        }
        x = ShapePoint{a1.x, b2.y + (a1.x - b2.x) * k2};
    } else if (secondVertical) {
        x = ShapePoint{b1.x, a2.y + k1 * (b1.x - a2.x)};
    } else {
        if (k1 == k2) {
            return 0.0;
        }
        x.x = (a2.y + b2.x * k2 - b2.y - a2.x * k1) / (k2 - k1);
        x.y = a2.y + k1 * (x.x - a2.x);
    }

    const ShapePoint a = SquaredDistance(x, a1) > SquaredDistance(x, a2) ? a1 : a2;
    const ShapePoint b = SquaredDistance(x, b1) > SquaredDistance(x, b2) ? b1 : b2;
    const double ax = a.x - x.x;
    const double ay = a.y - x.y;
    const double bx = b.x - x.x;
    const double by = b.y - x.y;
    const double lengths = std::sqrt(bx * bx + by * by) * std::sqrt(ax * ax + ay * ay);
    const double cosine = (bx * ax + by * ay) / lengths;
    // An arm of zero length has no direction; rounding can push the cosine of
    // nearly collinear arms just past ±1.
    if (!(lengths > 0.0) || std::isnan(cosine)) {
        return 0.0;
    }
    return std::acos(std::clamp(cosine, -1.0, 1.0)) * 180.0 / kShapeDegreePi;
}

double AngleAtVertex(const ShapePoint& vertex, const ShapePoint& a, const ShapePoint& b) {
    const double angle = AngleBetweenLines(vertex, a, vertex, b);
    const double dot = (a.x - vertex.x) * (b.x - vertex.x) + (a.y - vertex.y) * (b.y - vertex.y);
    return angle == 0.0 && dot < 0.0 ? 180.0 : angle;
}

ShapePoint PerpendicularFoot(const ShapePoint& p, const ShapePoint& a, const ShapePoint& b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    if (length2 == 0.0) {
        return a;
    }
    const double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2;
    return ShapePoint{a.x + t * dx, a.y + t * dy};
}

std::optional<ShapePoint> LineIntersection(const ShapePoint& a1, const ShapePoint& a2,
                                           const ShapePoint& b1, const ShapePoint& b2) {
    const double ax = a2.x - a1.x;
    const double ay = a2.y - a1.y;
    const double bx = b2.x - b1.x;
    const double by = b2.y - b1.y;
    const double denominator = ax * by - ay * bx;
    if (denominator == 0.0) {
        return std::nullopt;
    }
    const double t = ((b1.x - a1.x) * by - (b1.y - a1.y) * bx) / denominator;
    return ShapePoint{a1.x + t * ax, a1.y + t * ay};
}

std::optional<CircleFit> CircleThrough3Points(const ShapePoint& p1, const ShapePoint& p2,
                                              const ShapePoint& p3) {
    const double d = 2.0 * ((p2.x - p1.x) * (p3.y - p2.y) - (p2.y - p1.y) * (p3.x - p2.x));
    if (!(std::fabs(d) >= kCircleDeterminantLimit)) {
        return std::nullopt;
    }
    const double g = (p2.x - p1.x) * (p2.x + p1.x) + (p2.y - p1.y) * (p2.y + p1.y);
    const double h = (p3.x - p1.x) * (p1.x + p3.x) + (p3.y - p1.y) * (p1.y + p3.y);
    CircleFit fit;
    fit.centre.x = (g * (p3.y - p1.y) - (p2.y - p1.y) * h) / d;
    fit.centre.y = ((p2.x - p1.x) * h - g * (p3.x - p1.x)) / d;
    fit.radius = Distance(p1, fit.centre);
    return fit;
}

std::optional<ShapePoint> ArcCentre(const ShapePoint& p0, const ShapePoint& p1,
                                    const ShapePoint& p2) {
    const double m1 = p2.y == p0.y ? kVerticalBisectorSlope : -(p0.x - p2.x) / (p0.y - p2.y);
    const double m2 = p2.y == p1.y ? kVerticalBisectorSlope : -(p1.x - p2.x) / (p1.y - p2.y);
    if (m1 == m2) {
        return std::nullopt;
    }
    const ShapePoint mid1 = Midpoint(p0, p2);
    const ShapePoint mid2 = Midpoint(p2, p1);
    ShapePoint centre;
    if (m1 == kVerticalBisectorSlope) {
        centre.x = mid1.x;
        centre.y = mid2.y + m2 * (centre.x - mid2.x);
    } else if (m2 == kVerticalBisectorSlope) {
        centre.x = mid2.x;
        centre.y = mid1.y + m1 * (centre.x - mid1.x);
    } else {
        centre.x = (m2 * mid2.x - m1 * mid1.x - (mid2.y - mid1.y)) / (m2 - m1);
        centre.y = mid2.y + m2 * (centre.x - mid2.x);
    }
    return centre;
}

double PolygonArea(std::span<const ShapePoint> vertices) {
    double twice = 0.0;
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        const ShapePoint& p = vertices[i];
        const ShapePoint& q = vertices[(i + 1) % vertices.size()];
        twice += WholePixel(p.x) * WholePixel(q.y) - WholePixel(q.x) * WholePixel(p.y);
    }
    return std::fabs(twice / 2.0);
}

int ToDevice(double v, double zoom) {
    const double device = std::trunc(zoom * v + 0.5);
    if (std::isnan(device)) {
        return 0;
    }
    constexpr double kMin = std::numeric_limits<int>::min();
    constexpr double kMax = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(device, kMin, kMax));
}

CDeviceBox CircleBox(const ShapePoint& centre, double radius, double zoom) {
    return CDeviceBox{ToDevice(centre.x - radius, zoom), ToDevice(centre.y - radius, zoom),
                      ToDevice(centre.x + radius, zoom), ToDevice(centre.y + radius, zoom)};
}
