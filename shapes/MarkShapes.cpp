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

namespace {

// Marks are 30 × 30 device pixels whatever the zoom; the number's top-left
// corner sits 7 pixels up and left of the centre.
constexpr int kMarkHalf = 15;
constexpr int kMarkNumberShift = -7;

CDeviceBox MarkBox(QPoint centre) {
    return CDeviceBox{centre.x() - kMarkHalf, centre.y() - kMarkHalf, centre.x() + kMarkHalf,
                      centre.y() + kMarkHalf};
}

} // namespace

void CSquare::DrawFigure(CShapeCanvas& canvas) {
    if (inProgress == 0 && IsSet(points[0])) {
        const CDeviceBox box = MarkBox(canvas.Device(points[0]));
        canvas.Rectangle(QPoint(box.left, box.top), QPoint(box.right, box.bottom));
    }
}

std::vector<CLabelLine> CSquare::LabelLines(const CLabelStyle&) const {
    return {{MarkLabel(measure[0]), kMarkNumberShift, kMarkNumberShift}};
}

void CCquare::DrawFigure(CShapeCanvas& canvas) {
    if (inProgress == 0 && IsSet(points[0])) {
        canvas.Ellipse(MarkBox(canvas.Device(points[0])));
    }
}

std::vector<CLabelLine> CCquare::LabelLines(const CLabelStyle&) const {
    return {{MarkLabel(measure[0]), kMarkNumberShift, kMarkNumberShift}};
}

std::vector<CLabelLine> CText::LabelLines(const CLabelStyle&) const {
    return {{text}};
}
