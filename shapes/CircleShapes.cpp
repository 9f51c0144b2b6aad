#include "shapes/CircleShapes.h"

#include "shapes/ShapeKinds.h"

namespace {

// Radius, circumference and area of a circle of radius r pixels.
void CircleResults(double r, const CUnitConversion& conversion, std::array<double, 4>& result) {
    result[0] = conversion.Length(r);
    result[1] = kShapeTwoPi * conversion.Length(r);
    result[2] = kShapePi * conversion.Area(r * r);
}

} // namespace

CTwoPointCircle::CTwoPointCircle(int kindCode, const CShapeParams& params, bool onDiameter)
    : CShape(kindCode, 3, 3, 2, params) {
    if (AllSet({0, 1})) {
        centre = onDiameter ? Midpoint(points[0], points[1]) : points[0];
        measure[0] = Distance(points[0], onDiameter ? centre : points[1]);
        box = CircleBox(centre, measure[0], createZoom);
    }
}

CRCircle::CRCircle(const CShapeParams& params)
    : CTwoPointCircle(ShapeKind::kRadiusCircle, params, false) {}

void CRCircle::ConvertMeasures(const CUnitConversion& conversion) {
    CircleResults(measure[0], conversion, result);
}

CCircle::CCircle(const CShapeParams& params)
    : CTwoPointCircle(ShapeKind::kCircle, params, true) {}

void CCircle::ConvertMeasures(const CUnitConversion& conversion) {
    const double r = measure[0];
    result[0] = conversion.Length(2.0 * r);
    result[1] = kShapeTwoPi * conversion.Length(r);
    result[2] = kShapePi * conversion.Area(r * r);
}

CTPCircle::CTPCircle(const CShapeParams& params)
    : CTPCircle(ShapeKind::kThreePointCircle, params) {}

CTPCircle::CTPCircle(int kindCode, const CShapeParams& params)
    : CShape(kindCode, 7, 7, 3, params) {}

void CTPCircle::RefreshGeometry() {
    if (!AllSet({0, 1, 2})) {
        return;
    }
    if (const std::optional<CircleFit> fit =
            CircleThrough3Points(points[0], points[1], points[2])) {
        centre = fit->centre;
        measure[0] = fit->radius;
    }
}

void CTPCircle::ConvertMeasures(const CUnitConversion& conversion) {
    CircleResults(measure[0], conversion, result);
}

CAutoCircle::CAutoCircle(const CShapeParams& params)
    : CTPCircle(ShapeKind::kAutoCircle, params) {
    RefreshGeometry();
    if (measure[0] != 0.0) {
        box = CircleBox(centre, measure[0], createZoom);
    }
}

void CAutoCircle::AfterResults() {
    NotifyResultsChanged();
}

CArc::CArc(const CShapeParams& params)
    : CShape(ShapeKind::kArc, 4, 4, 3, params) {
    if (!AllSet({0, 1, 2})) {
        return;
    }
    const ShapePoint& p0 = points[0];
    const ShapePoint& p1 = points[1];
    const ShapePoint& p2 = points[2];
    dx20 = p2.x - p0.x;
    dy20 = p2.y - p0.y;
    dx10 = p1.x - p0.x;
    dy10 = p1.y - p0.y;
    if (const std::optional<ShapePoint> c = ArcCentre(p0, p1, p2)) {
        centre = *c;
        measure[0] = Distance(centre, p0);
        measure[1] = AngleAtVertex(centre, p0, p1);
        box = CircleBox(centre, measure[0], createZoom);
    }
}

void CArc::ConvertMeasures(const CUnitConversion& conversion) {
    const double radius = conversion.Length(measure[0]);
    const double degrees = measure[1];
    result[0] = radius;
    result[1] = degrees;
    result[2] = degrees / 360.0 * kShapeTwoPi * radius;
    result[3] = degrees / 360.0 * kShapePi * radius * radius;
}

CTCircle::CTCircle(const CShapeParams& params)
    : CShape(ShapeKind::kTwoCircles, 0, 5, 4, params) {
    if (AllSet({0, 1})) {
        centre1 = Midpoint(points[0], points[1]);
        measure[0] = Distance(points[1], points[0]) / 2.0;
        box1 = CircleBox(centre1, measure[0], createZoom);
    }
    if (AllSet({2, 3})) {
        centre2 = Midpoint(points[2], points[3]);
        measure[1] = Distance(points[3], points[2]) / 2.0;
        box2 = CircleBox(centre2, measure[1], createZoom);
    }
    if (AllSet({0, 1, 2, 3})) {
        measure[2] = Distance(centre2, centre1);
    }
}

void CTCircle::ConvertMeasures(const CUnitConversion& conversion) {
    result[0] = conversion.Length(measure[0]);
    result[1] = conversion.Length(measure[2]);
    result[2] = conversion.Length(measure[1]);
}

CLineCircle::CLineCircle(const CShapeParams& params)
    : CShape(ShapeKind::kLineCircle, 0, 5, 4, params) {
    if (!AllSet({0, 1})) {
        return;
    }
    centre = Midpoint(points[0], points[1]);
    measure[0] = Distance(points[0], centre);
    box = CircleBox(centre, measure[0], createZoom);
    if (AllSet({2, 3})) {
        foot = PerpendicularFoot(centre, points[2], points[3]);
        measure[2] = Distance(foot, centre);
    }
}

void CLineCircle::ConvertMeasures(const CUnitConversion& conversion) {
    result[0] = conversion.Length(measure[0]);
    result[1] = conversion.Length(measure[2]);
}

void CLineCircle::AfterResults() {
    NotifyResultsChanged();
}

namespace {

std::vector<CLabelLine> RadiusLabels(const CLabelStyle& style,
                                     const std::array<double, 4>& result) {
    return {{LengthLabel(style, "R", result[0]), 0, -16},
            {LengthLabel(style, "C", result[1]), 0, 0},
            {AreaLabel(style, result[2]), 0, 16}};
}

} // namespace

void CTwoPointCircle::DrawFigure(CShapeCanvas& canvas) {
    if (!AllSet({0, 1})) {
        return;
    }
    box = CircleBox(centre, measure[0], canvas.Zoom());
    canvas.Segment(canvas.Device(points[0]), canvas.Device(points[1]));
    canvas.Ellipse(canvas.Moved(box));
}

std::vector<CLabelLine> CRCircle::LabelLines(const CLabelStyle& style) const {
    return RadiusLabels(style, result);
}

std::vector<CLabelLine> CCircle::LabelLines(const CLabelStyle& style) const {
    return {{LengthLabel(style, "D", result[0]), 0, -16},
            {LengthLabel(style, "C", result[1]), 0, 0},
            {AreaLabel(style, result[2]), 0, 16}};
}

void CTPCircle::DrawFigure(CShapeCanvas& canvas) {
    if (inProgress != 0) {
        for (int i = 0; i < 3; ++i) {
            if (IsSet(points[i])) {
                canvas.Cross(canvas.Device(points[i]));
            }
        }
    }
    DrawCircle(canvas);
}

void CTPCircle::DrawCircle(CShapeCanvas& canvas) {
    // Collinear points have no circle (the radius stays 0).
    if (AllSet({0, 1, 2}) && measure[0] > 0.0) {
        box = CircleBox(centre, measure[0], canvas.Zoom());
        canvas.Ellipse(canvas.Moved(box));
    }
}

std::vector<CLabelLine> CTPCircle::LabelLines(const CLabelStyle& style) const {
    return RadiusLabels(style, result);
}

void CAutoCircle::DrawFigure(CShapeCanvas& canvas) {
    DrawCircle(canvas);
}

void CArc::DrawFigure(CShapeCanvas& canvas) {
    if (!IsSet(points[2])) {
        // The ends only, until the point that fixes the circle is placed.
        for (const int i : {0, 1}) {
            if (IsSet(points[i])) {
                canvas.Cross(canvas.Device(points[i]));
            }
        }
        return;
    }
    // Ends in line with the third point have no circle.
    if (!AllSet({0, 1}) || measure[0] == 0.0) {
        return;
    }
    box = CircleBox(centre, measure[0], canvas.Zoom());
    const CDeviceBox drawn = canvas.Moved(box);
    const QPoint d0 = canvas.Device(points[0]);
    const QPoint d1 = canvas.Device(points[1]);
    // The arc runs counter-clockwise on screen, so it starts at the end from
    // which that direction passes the third point.
    const bool fromFirst = DirectionCross() < 0.0;
    const QPoint start = fromFirst ? d0 : d1;
    const QPoint end = fromFirst ? d1 : d0;
    canvas.Context().Arc(drawn.left, drawn.top, drawn.right, drawn.bottom, start.x(), start.y(),
                         end.x(), end.y());
    const QPoint c = canvas.Device(centre);
    canvas.Segment(c, d0);
    canvas.Segment(c, d1);
}

std::vector<CLabelLine> CArc::LabelLines(const CLabelStyle& style) const {
    return {{LengthLabel(style, "R", result[0]), 0, -16},
            {AngleLabel(style, result[1]), 0, 0},
            {LengthLabel(style, "C", result[2]), 0, 16},
            {AreaLabel(style, result[3]), 0, 32}};
}

void CTCircle::DrawFigure(CShapeCanvas& canvas) {
    if (AllSet({0, 1})) {
        box1 = CircleBox(centre1, measure[0], canvas.Zoom());
        canvas.Ellipse(canvas.Moved(box1));
    }
    if (AllSet({2, 3})) {
        box2 = CircleBox(centre2, measure[1], canvas.Zoom());
        canvas.Ellipse(canvas.Moved(box2));
    }
}

std::vector<CLabelLine> CTCircle::LabelLines(const CLabelStyle& style) const {
    return {{LengthLabel(style, "R", result[0]), 0, -16},
            {LengthLabel(style, "L", result[1]), 0, 0},
            {LengthLabel(style, "R", result[2]), 0, 16}};
}

void CLineCircle::DrawFigure(CShapeCanvas& canvas) {
    if (AllSet({0, 1})) {
        box = CircleBox(centre, measure[0], canvas.Zoom());
        canvas.Ellipse(canvas.Moved(box));
    }
}

std::vector<CLabelLine> CLineCircle::LabelLines(const CLabelStyle& style) const {
    return {{LengthLabel(style, "R", result[0]), 0, -16},
            {LengthLabel(style, "L", result[1]), 0, 0}};
}
