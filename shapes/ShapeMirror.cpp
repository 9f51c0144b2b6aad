#include "shapes/ShapeMirror.h"

#include "shapes/ShapeFactory.h"

namespace {

// A point on the last column or row lands on 0, which would read as not
// placed; a tiny offset keeps it placed and on the same pixel.
constexpr double kPlacedOffset = 1e-9;

double Mirrored(double value, int extent) {
    const double mirrored = static_cast<double>(extent - 1) - value;
    return mirrored == 0.0 ? kPlacedOffset : mirrored;
}

} // namespace

std::unique_ptr<CShape> MirroredShape(const CShape& shape, FlipAxis axis, int extent) {
    const CShapeKindInfo* info = KindOfCode(shape.kind);
    if (info == nullptr) {
        return nullptr;
    }
    CShapeParams params;
    params.lineColor = shape.lineColor;
    params.textColor = shape.textColor;
    params.text = shape.text;
    params.imgWidth = shape.imgWidth;
    params.imgHeight = shape.imgHeight;
    params.zoom = shape.createZoom;
    params.markNumber = static_cast<int>(shape.measure[0]);
    for (std::size_t i = 0; i < shape.points.size(); ++i) {
        ShapePoint point = shape.points[i];
        if (IsSet(point)) {
            if (axis == FlipAxis::LeftRight) {
                point.x = Mirrored(point.x, extent);
            } else {
                point.y = Mirrored(point.y, extent);
            }
        }
        params.points[i] = point;
    }
    std::unique_ptr<CShape> mirrored = info->create(params);
    mirrored->serial = shape.serial;
    mirrored->font = shape.font;
    mirrored->penWidth = shape.penWidth;
    mirrored->inProgress = shape.inProgress;
    mirrored->exportMark = shape.exportMark;
    mirrored->text = shape.text;
    mirrored->measure = shape.measure;
    mirrored->result = shape.result;
    return mirrored;
}
