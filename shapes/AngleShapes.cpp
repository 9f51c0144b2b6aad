#include "shapes/AngleShapes.h"

#include "shapes/ShapeKinds.h"

CTAngle::CTAngle(const CShapeParams& params)
    : CShape(ShapeKind::kThreePointAngle, 4, 4, 3, params) {
    if (AllSet({0, 1, 2})) {
        measure[0] = AngleAtVertex(points[2], points[0], points[1]);
    }
}

void CTAngle::ConvertMeasures(const CUnitConversion&) {
    result[0] = measure[0];
}

CFAngle::CFAngle(const CShapeParams& params)
    : CShape(ShapeKind::kFourPointAngle, 0, 5, 4, params) {
    if (AllSet({0, 1, 2, 3})) {
        measure[0] = AngleBetweenLines(points[0], points[1], points[3], points[2]);
    }
}

void CFAngle::ConvertMeasures(const CUnitConversion&) {
    result[0] = measure[0];
}

void CTAngle::DrawFigure(CShapeCanvas& canvas) {
    if (!IsSet(points[2])) {
        // Arm ends only, until the vertex is placed.
        for (const int i : {0, 1}) {
            if (IsSet(points[i])) {
                canvas.Cross(canvas.Device(points[i]));
            }
        }
        return;
    }
    const QPoint vertex = canvas.Device(points[2]);
    for (const int i : {0, 1}) {
        if (IsSet(points[i])) {
            canvas.Segment(canvas.Device(points[i]), vertex);
        }
    }
}

std::vector<CLabelLine> CTAngle::LabelLines(const CLabelStyle& style) const {
    return {{AngleLabel(style, result[0])}};
}

void CFAngle::DrawFigure(CShapeCanvas& canvas) {
    if (inProgress != 0) {
        for (int i = 0; i < 4; ++i) {
            if (IsSet(points[i])) {
                canvas.Cross(canvas.Device(points[i]));
            }
        }
        for (const int first : {0, 2}) {
            if (AllSet({first, first + 1})) {
                canvas.ExtendedLine(canvas.Device(points[first]), canvas.Device(points[first + 1]));
            }
        }
        return;
    }
    for (const int first : {0, 2}) {
        if (AllSet({first, first + 1})) {
            canvas.Segment(canvas.Device(points[first]), canvas.Device(points[first + 1]));
        }
    }
    if (!AllSet({0, 1, 2, 3})) {
        return;
    }
    // Where a segment stops short of the lines' intersection, a dotted line
    // carries it on to the vertex of the measured angle.
    const std::optional<ShapePoint> vertex =
        LineIntersection(points[0], points[1], points[2], points[3]);
    if (!vertex) {
        return;
    }
    for (const int first : {0, 2}) {
        const ShapePoint& a = points[first];
        const ShapePoint& b = points[first + 1];
        const double dx = b.x - a.x;
        const double dy = b.y - a.y;
        const double t = ((vertex->x - a.x) * dx + (vertex->y - a.y) * dy) / (dx * dx + dy * dy);
        if (t < 0.0 || t > 1.0) {
            const ShapePoint& nearer = t < 0.0 ? a : b;
            canvas.StyledSegment(canvas.Device(*vertex), canvas.Device(nearer), PenStyle::Dot,
                                 canvas.PenWidth());
        }
    }
}

std::vector<CLabelLine> CFAngle::LabelLines(const CLabelStyle& style) const {
    return {{AngleLabel(style, result[0])}};
}
