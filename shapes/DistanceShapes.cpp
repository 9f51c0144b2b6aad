#include "shapes/DistanceShapes.h"

#include "shapes/ShapeKinds.h"

#include <cmath>

int LeadingVertexCount(const std::array<ShapePoint, kShapePointSlots>& points) {
    int count = 0;
    while (count < kShapePointSlots - 1 && IsSet(points[count])) {
        ++count;
    }
    return count;
}

CLine::CLine(const CShapeParams& params)
    : CLine(ShapeKind::kLine, params) {}

CLine::CLine(int kindCode, const CShapeParams& params)
    : CShape(kindCode, 3, 3, 2, params) {
    if (AllSet({0, 1})) {
        measure[0] = Distance(points[0], points[1]);
    }
}

void CLine::ConvertMeasures(const CUnitConversion& conversion) {
    result[0] = conversion.Length(measure[0]);
}

void CLine::AfterResults() {
    g_calibration.lastLineLength = result[0];
    g_calibration.lineDrawn = true;
    g_calibration.lineCamera.reset();
}

CHLine::CHLine(const CShapeParams& params)
    : CLine(ShapeKind::kHorizontalLine, params) {}

CVLine::CVLine(const CShapeParams& params)
    : CLine(ShapeKind::kVerticalLine, params) {}

CAutoLine::CAutoLine(const CShapeParams& params)
    : CShape(ShapeKind::kAutoLine, 5, 5, 2, params) {
    RefreshGeometry();
}

void CAutoLine::RefreshGeometry() {
    if (AllSet({0, 1})) {
        measure[0] = Distance(points[0], points[1]);
    }
}

void CAutoLine::ConvertMeasures(const CUnitConversion& conversion) {
    result[0] = conversion.Length(measure[0]);
}

void CAutoLine::AfterResults() {
    NotifyResultsChanged();
}

CParallel::CParallel(const CShapeParams& params)
    : CShape(ShapeKind::kParallel, 4, 4, 3, params) {
    if (AllSet({0, 1, 2})) {
        measure[0] = Distance(points[2], PerpendicularFoot(points[2], points[0], points[1]));
    }
}

void CParallel::ConvertMeasures(const CUnitConversion& conversion) {
    result[0] = conversion.Length(measure[0]);
}

CDotLine::CDotLine(const CShapeParams& params)
    : CShape(ShapeKind::kPointLine, 4, 4, 3, params) {
    if (AllSet({0, 1, 2})) {
        measure[0] = Distance(points[0], PerpendicularFoot(points[0], points[1], points[2]));
    }
}

void CDotLine::ConvertMeasures(const CUnitConversion& conversion) {
    result[0] = conversion.Length(measure[0]);
}

CContinualLine::CContinualLine(const CShapeParams& params)
    : CShape(ShapeKind::kFoldLine, 11, 11, 10, params) {
    const int vertices = LeadingVertexCount(points);
    if (vertices == 0) {
        return;
    }
    double length = 0.0;
    for (int i = 0; i + 1 < vertices; ++i) {
        length += Distance(points[i + 1], points[i]);
    }
    measure[0] = length;
}

void CContinualLine::ConvertMeasures(const CUnitConversion& conversion) {
    result[0] = conversion.Length(measure[0]);
}

void CContinualLine::AfterResults() {
    NotifyResultsChanged();
}

void CLine::DrawFigure(CShapeCanvas& canvas) {
    if (AllSet({0, 1})) {
        canvas.Dimension(canvas.Device(points[0]), canvas.Device(points[1]), true);
    }
}

std::vector<CLabelLine> CLine::LabelLines(const CLabelStyle& style) const {
    return {{LengthLabel(style, "L", result[0])}};
}

void CAutoLine::DrawFigure(CShapeCanvas& canvas) {
    if (inProgress == 0) {
        if (AllSet({0, 1})) {
            canvas.Dimension(canvas.Device(points[0]), canvas.Device(points[1]), true);
        }
        return;
    }
    // The two guide lines as the user draws them, each between two dashed
    // lines 6 pixels to either side: where the edge search looks.
    constexpr double kGuideMargin = 6.0;
    for (const int first : {0, 2}) {
        if (!AllSet({first, first + 1})) {
            continue;
        }
        const QPoint a = CShapeCanvas::Unzoomed(points[first]);
        const QPoint b = CShapeCanvas::Unzoomed(points[first + 1]);
        canvas.Segment(a, b);
        const double dx = b.x() - a.x();
        const double dy = b.y() - a.y();
        const double length = std::hypot(dx, dy);
        if (length == 0.0) {
            continue;
        }
        const double nx = -dy / length * kGuideMargin;
        const double ny = dx / length * kGuideMargin;
        for (const double side : {1.0, -1.0}) {
            const auto moved = [&](QPoint p) {
                return CShapeCanvas::Unzoomed(ShapePoint{p.x() + side * nx, p.y() + side * ny});
            };
            canvas.StyledSegment(moved(a), moved(b), PenStyle::Dash, 1);
        }
    }
}

std::vector<CLabelLine> CAutoLine::LabelLines(const CLabelStyle& style) const {
    return {{LengthLabel(style, "L", result[0])}};
}

void CParallel::DrawFigure(CShapeCanvas& canvas) {
    const bool lineSet = AllSet({0, 1});
    const bool allSet = lineSet && IsSet(points[2]);
    if (inProgress != 0) {
        if (IsSet(points[0])) {
            canvas.Cross(canvas.Device(points[0]));
        }
        if (lineSet) {
            const QPoint d0 = canvas.Device(points[0]);
            const QPoint d1 = canvas.Device(points[1]);
            canvas.ExtendedLine(d0, d1);
            if (allSet) {
                const QPoint d2 = canvas.Device(points[2]);
                canvas.ExtendedLine(d2, d2 + (d1 - d0));
            }
        }
    }
    if (allSet) {
        const ShapePoint foot = PerpendicularFoot(points[2], points[0], points[1]);
        canvas.Dimension(canvas.Device(points[2]), canvas.Device(foot), inProgress == 0);
    }
}

std::vector<CLabelLine> CParallel::LabelLines(const CLabelStyle& style) const {
    return {{LengthLabel(style, "L", result[0])}};
}

void CDotLine::DrawFigure(CShapeCanvas& canvas) {
    if (inProgress != 0) {
        for (int i = 0; i < 3; ++i) {
            if (IsSet(points[i])) {
                canvas.Cross(canvas.Device(points[i]));
            }
        }
        if (AllSet({1, 2})) {
            canvas.ExtendedLine(canvas.Device(points[1]), canvas.Device(points[2]));
        }
    }
    if (AllSet({0, 1, 2})) {
        const ShapePoint foot = PerpendicularFoot(points[0], points[1], points[2]);
        canvas.Dimension(canvas.Device(points[0]), canvas.Device(foot), inProgress == 0);
    }
}

std::vector<CLabelLine> CDotLine::LabelLines(const CLabelStyle& style) const {
    return {{LengthLabel(style, "L", result[0])}};
}

void CContinualLine::DrawFigure(CShapeCanvas& canvas) {
    canvas.Polyline(std::span(points.data(), static_cast<std::size_t>(LeadingVertexCount(points))),
                    false);
}

std::vector<CLabelLine> CContinualLine::LabelLines(const CLabelStyle& style) const {
    return {{LengthLabel(style, "L", result[0])}};
}
