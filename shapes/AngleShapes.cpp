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
