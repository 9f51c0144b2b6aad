#include "shapes/DistanceShapes.h"

#include "shapes/ShapeKinds.h"

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
