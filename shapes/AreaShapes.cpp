#include "shapes/AreaShapes.h"

#include "shapes/DistanceShapes.h"
#include "shapes/ShapeKinds.h"

#include <algorithm>
#include <cmath>

CRectangle::CRectangle(const CShapeParams& params)
    : CShape(ShapeKind::kRectangle, 3, 3, 2, params) {
    if (AllSet({0, 1})) {
        measure[0] = std::fabs(points[0].x - points[1].x);
        measure[1] = std::fabs(points[0].y - points[1].y);
    }
}

void CRectangle::ConvertMeasures(const CUnitConversion& conversion) {
    const double width = conversion.Length(measure[0]);
    const double height = conversion.Length(measure[1]);
    result[0] = width;
    result[1] = height;
    result[2] = 2.0 * (width + height);
    result[3] = width * height;
}

CEllipse::CEllipse(const CShapeParams& params)
    : CShape(ShapeKind::kEllipse, 3, 3, 2, params) {
    if (AllSet({0, 1})) {
        const double a = std::fabs(points[0].x - points[1].x);
        const double b = std::fabs(points[0].y - points[1].y);
        measure[0] = std::max(a, b);
        measure[1] = std::min(a, b);
    }
}

void CEllipse::ConvertMeasures(const CUnitConversion& conversion) {
    const double larger = conversion.Length(measure[0]);
    const double smaller = conversion.Length(measure[1]);
    result[0] = larger;
    result[1] = smaller;
    result[2] = 4.0 * (larger - smaller) + kShapeTwoPi * smaller;
    result[3] = kShapePi * larger * smaller;
}

CPolygon::CPolygon(const CShapeParams& params)
    : CShape(ShapeKind::kPolygon, 11, 11, 10, params) {
    const int vertices = LeadingVertexCount(points);
    if (vertices == 0) {
        return;
    }
    double perimeter = 0.0;
    for (int i = 0; i + 1 < vertices; ++i) {
        perimeter += Distance(points[i + 1], points[i]);
    }
    perimeter += Distance(points[0], points[vertices - 1]);
    measure[0] = perimeter;
    measure[1] = PolygonArea(std::span(points.data(), static_cast<std::size_t>(vertices)));
}

void CPolygon::ConvertMeasures(const CUnitConversion& conversion) {
    result[0] = conversion.Length(measure[0]);
    result[1] = conversion.Area(measure[1]);
}

void CPolygon::AfterResults() {
    NotifyResultsChanged();
}

void CRectangle::DrawFigure(CShapeCanvas& canvas) {
    if (AllSet({0, 1})) {
        canvas.Rectangle(canvas.Device(points[0]), canvas.Device(points[1]));
    }
}

std::vector<CLabelLine> CRectangle::LabelLines(const CLabelStyle& style) const {
    return {{LengthLabel(style, "W", result[0]), 0, -32},
            {LengthLabel(style, "H", result[1]), 0, -16},
            {LengthLabel(style, "C", result[2]), 0, 0},
            {AreaLabel(style, result[3]), 0, 16}};
}

void CEllipse::DrawFigure(CShapeCanvas& canvas) {
    if (!AllSet({0, 1})) {
        return;
    }
    const QPoint a = canvas.Device(points[0]);
    const QPoint b = canvas.Device(points[1]);
    if (inProgress != 0) {
        canvas.Rectangle(a, b);
    }
    canvas.Ellipse(CDeviceBox{a.x(), a.y(), b.x(), b.y()});
}

std::vector<CLabelLine> CEllipse::LabelLines(const CLabelStyle& style) const {
    return {{LengthLabel(style, "LR", result[0]), 0, -32},
            {LengthLabel(style, "SR", result[1]), 0, -16},
            {LengthLabel(style, "C", result[2]), 0, 0},
            {AreaLabel(style, result[3]), 0, 16}};
}

void CPolygon::DrawFigure(CShapeCanvas& canvas) {
    // Closed from three vertices on: the perimeter and area include the
    // closing edge, and the outline shows it.
    const int vertices = LeadingVertexCount(points);
    canvas.Polyline(std::span(points.data(), static_cast<std::size_t>(vertices)), vertices >= 3);
}

std::vector<CLabelLine> CPolygon::LabelLines(const CLabelStyle& style) const {
    return {{LengthLabel(style, "C", result[0]), 0, 0}, {AreaLabel(style, result[1]), 0, -16}};
}
