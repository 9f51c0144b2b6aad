#include "shapes/MarkShapes.h"

#include "shapes/ShapeKinds.h"

CSquare::CSquare(const CShapeParams& params)
    : CShape(ShapeKind::kSquareMark, 0, 1, 0, params) {
    measure[0] = params.markNumber;
}

CCquare::CCquare(const CShapeParams& params)
    : CShape(ShapeKind::kCircleMark, 0, 1, 0, params) {
    measure[0] = params.markNumber;
}

CText::CText(const CShapeParams& params)
    : CShape(ShapeKind::kText, 0, 1, 0, params) {
    text = params.text;
}
