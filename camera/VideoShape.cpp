#include "camera/VideoShape.h"

#include "shapes/ShapeKinds.h"

#include <algorithm>
#include <iterator>

CLiveShapeList g_liveShapes;

namespace {

// Every live kind with the still shape kind and the measuring mode of the
// same tool; the crosshair has neither.
struct CLiveKindRow {
    int live;
    int shape;
    int mode;
};

constexpr CLiveKindRow kLiveKinds[] = {
    {LiveKind::kLine, ShapeKind::kLine, MeasureMode::kLine},
    {LiveKind::kRectangle, ShapeKind::kRectangle, MeasureMode::kRectangle},
    {LiveKind::kEllipse, ShapeKind::kEllipse, MeasureMode::kEllipse},
    {LiveKind::kCircle, ShapeKind::kCircle, MeasureMode::kCircle},
    {LiveKind::kArc, ShapeKind::kArc, MeasureMode::kArc},
    {LiveKind::kThreePointAngle, ShapeKind::kThreePointAngle, MeasureMode::kThreePointAngle},
    {LiveKind::kParallel, ShapeKind::kParallel, MeasureMode::kParallel},
    {LiveKind::kPolygon, ShapeKind::kPolygon, MeasureMode::kPolygon},
    {LiveKind::kFoldLine, ShapeKind::kFoldLine, MeasureMode::kFoldLine},
    {LiveKind::kFourPointAngle, ShapeKind::kFourPointAngle, MeasureMode::kFourPointAngle},
    {LiveKind::kPointLine, ShapeKind::kPointLine, MeasureMode::kPointLine},
    {LiveKind::kTwoCircles, ShapeKind::kTwoCircles, MeasureMode::kTwoCircles},
    {LiveKind::kSquareMark, ShapeKind::kSquareMark, MeasureMode::kSquareMark},
    {LiveKind::kCircleMark, ShapeKind::kCircleMark, MeasureMode::kCircleMark},
    {LiveKind::kAutoLine, ShapeKind::kAutoLine, MeasureMode::kAutoLine},
    {LiveKind::kAutoCircle, ShapeKind::kAutoCircle, MeasureMode::kAutoCircle},
    {LiveKind::kLineCircle, ShapeKind::kLineCircle, MeasureMode::kLineCircle},
    {LiveKind::kText, ShapeKind::kText, MeasureMode::kText},
    {LiveKind::kHorizontalLine, ShapeKind::kHorizontalLine, MeasureMode::kHorizontalLine},
    {LiveKind::kVerticalLine, ShapeKind::kVerticalLine, MeasureMode::kVerticalLine},
    {LiveKind::kRadiusCircle, ShapeKind::kRadiusCircle, MeasureMode::kRadiusCircle},
    {LiveKind::kThreePointCircle, ShapeKind::kThreePointCircle, MeasureMode::kThreePointCircle},
};

template <typename Match>
const CLiveKindRow* FindRow(Match match) {
    const auto row = std::find_if(std::begin(kLiveKinds), std::end(kLiveKinds), match);
    return row == std::end(kLiveKinds) ? nullptr : row;
}

} // namespace

int ShapeKindOfLiveKind(int liveKind) {
    const CLiveKindRow* row =
        FindRow([liveKind](const CLiveKindRow& r) { return r.live == liveKind; });
    return row != nullptr ? row->shape : 0;
}

int LiveKindOfShapeKind(int shapeKind) {
    const CLiveKindRow* row =
        FindRow([shapeKind](const CLiveKindRow& r) { return r.shape == shapeKind; });
    return row != nullptr ? row->live : 0;
}

int StillModeOfLiveKind(int liveKind) {
    const CLiveKindRow* row =
        FindRow([liveKind](const CLiveKindRow& r) { return r.live == liveKind; });
    return row != nullptr ? row->mode : 0;
}
