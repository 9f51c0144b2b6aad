#pragma once

#include <optional>
#include <span>

// Plane geometry of the measuring shapes. Points are doubles in image pixels,
// y growing downwards.

struct ShapePoint {
    double x = 0.0;
    double y = 0.0;

    friend bool operator==(const ShapePoint&, const ShapePoint&) = default;
};

// A point whose x or y is exactly 0.0 is not placed yet; computations that
// need it are skipped and keep their previous value.
constexpr bool IsSet(const ShapePoint& p) {
    return p.x != 0.0 && p.y != 0.0;
}

// π and 2π in single precision, as every circle and arc result uses them.
inline constexpr double kShapePi = 3.1415927410125732;
inline constexpr double kShapeTwoPi = 6.2831854820251465;
// Degrees are computed as radians × 180 ÷ this value.
inline constexpr double kShapeDegreePi = 3.1415926;
// Below this determinant three points count as collinear.
inline constexpr double kCircleDeterminantLimit = 1e-10;
// The slope that stands for a vertical perpendicular bisector.
inline constexpr double kVerticalBisectorSlope = 1000000.0;

double Distance(const ShapePoint& a, const ShapePoint& b);
ShapePoint Midpoint(const ShapePoint& a, const ShapePoint& b);

// The angle in degrees, in [0, 180], between line 1 through a1, a2 and line 2
// through b1, b2, measured at their intersection between the end points of each
// line that lie farther from it. Parallel lines (equal slopes, or both
// vertical) give 0. An arm of zero length gives 0; the cosine is clamped to
// [-1, 1] so nearly collinear arms give 0 or 180.
double AngleBetweenLines(const ShapePoint& a1, const ShapePoint& a2, const ShapePoint& b1,
                         const ShapePoint& b2);

// The angle in degrees, in [0, 180], between the arms vertex→a and vertex→b,
// as AngleBetweenLines measures it, except that arms on one line pointing in
// opposite directions give 180 (AngleBetweenLines reads them as parallel).
double AngleAtVertex(const ShapePoint& vertex, const ShapePoint& a, const ShapePoint& b);

// The foot of the perpendicular from p to the line through a and b; `a` when
// a and b coincide.
ShapePoint PerpendicularFoot(const ShapePoint& p, const ShapePoint& a, const ShapePoint& b);

// Where the line through a1, a2 meets the line through b1, b2; nullopt when
// they are parallel or a line has no direction.
std::optional<ShapePoint> LineIntersection(const ShapePoint& a1, const ShapePoint& a2,
                                           const ShapePoint& b1, const ShapePoint& b2);

struct CircleFit {
    ShapePoint centre;
    double radius = 0.0;
};

// The circle through three points; nullopt when they are (nearly) collinear
// or coincide (|determinant| below kCircleDeterminantLimit).
std::optional<CircleFit> CircleThrough3Points(const ShapePoint& p1, const ShapePoint& p2,
                                              const ShapePoint& p3);

// The centre of the circle through the arc's ends p0, p1 and its third point
// p2, from the perpendicular bisectors of p0p2 and p1p2; nullopt when the
// bisectors have the same slope.
std::optional<ShapePoint> ArcCentre(const ShapePoint& p0, const ShapePoint& p1,
                                    const ShapePoint& p2);

// The area of a closed polygon (shoelace formula) on its vertices rounded to
// whole pixels (v + 0.5 truncated).
double PolygonArea(std::span<const ShapePoint> vertices);

// A coordinate in device pixels at a zoom: trunc(zoom × v + 0.5), saturated to
// the int range (non-finite values give 0).
int ToDevice(double v, double zoom);

// A box in device pixels: left, top, right, bottom.
struct CDeviceBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    friend bool operator==(const CDeviceBox&, const CDeviceBox&) = default;
};

// The box of a circle at a zoom: zoom × (centre ± radius), each coordinate
// converted as ToDevice does.
CDeviceBox CircleBox(const ShapePoint& centre, double radius, double zoom);
