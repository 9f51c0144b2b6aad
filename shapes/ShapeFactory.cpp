#include "shapes/ShapeFactory.h"

#include "shapes/AngleShapes.h"
#include "shapes/AreaShapes.h"
#include "shapes/CircleShapes.h"
#include "shapes/DistanceShapes.h"
#include "shapes/MarkShapes.h"
#include "shapes/ShapeKinds.h"

#include <limits>

namespace {

template <typename Kind>
std::unique_ptr<CShape> Make(const CShapeParams& params) {
    return std::make_unique<Kind>(params);
}

namespace K = ShapeKind;
namespace M = MeasureMode;

constexpr CShapeKindInfo kKinds[] = {
    {M::kLine, K::kLine, "CLine", 3, &Make<CLine>},
    {M::kHorizontalLine, K::kHorizontalLine, "CHLine", 3, &Make<CHLine>},
    {M::kVerticalLine, K::kVerticalLine, "CVLine", 3, &Make<CVLine>},
    {M::kRectangle, K::kRectangle, "CRectangle", 3, &Make<CRectangle>},
    {M::kEllipse, K::kEllipse, "CEllipse", 3, &Make<CEllipse>},
    {M::kRadiusCircle, K::kRadiusCircle, "CRCircle", 3, &Make<CRCircle>},
    {M::kCircle, K::kCircle, "CCircle", 3, &Make<CCircle>},
    {M::kThreePointCircle, K::kThreePointCircle, "CTPCircle", 4, &Make<CTPCircle>},
    {M::kArc, K::kArc, "CArc", 4, &Make<CArc>},
    {M::kThreePointAngle, K::kThreePointAngle, "CTAngle", 4, &Make<CTAngle>},
    {M::kFourPointAngle, K::kFourPointAngle, "CFAngle", 5, &Make<CFAngle>},
    {M::kParallel, K::kParallel, "CParallel", 4, &Make<CParallel>},
    {M::kPointLine, K::kPointLine, "CDotLine", 4, &Make<CDotLine>},
    {M::kTwoCircles, K::kTwoCircles, "CTCircle", 5, &Make<CTCircle>},
    {M::kLineCircle, K::kLineCircle, "CLineCircle", 5, &Make<CLineCircle>},
    {M::kPolygon, K::kPolygon, "CPolygon", 11, &Make<CPolygon>},
    {M::kFoldLine, K::kFoldLine, "CContinualLine", 11, &Make<CContinualLine>},
    {M::kAutoCircle, K::kAutoCircle, "CAutoCircle", 4, &Make<CAutoCircle>},
    {M::kAutoLine, K::kAutoLine, "CAutoLine", 3, &Make<CAutoLine>},
    {M::kSquareMark, K::kSquareMark, "CSquare", 1, &Make<CSquare>},
    {M::kCircleMark, K::kCircleMark, "CCquare", 1, &Make<CCquare>},
    {M::kText, K::kText, "CText", 1, &Make<CText>},
};

} // namespace

std::span<const CShapeKindInfo> ShapeKindTable() {
    return kKinds;
}

const CShapeKindInfo* KindOfMode(int mode) {
    for (const CShapeKindInfo& info : kKinds) {
        if (info.mode == mode) {
            return &info;
        }
    }
    return nullptr;
}

const CShapeKindInfo* KindOfCode(int kind) {
    for (const CShapeKindInfo& info : kKinds) {
        if (info.kind == kind) {
            return &info;
        }
    }
    return nullptr;
}

std::unique_ptr<CShape> CreateShape(int mode, const CShapeParams& params) {
    const CShapeKindInfo* info = KindOfMode(mode);
    if (info == nullptr) {
        // Ending the program here would throw away the user's unsaved work.
        if (g_shapeNotifications.showMessage) {
            g_shapeNotifications.showMessage(QStringLiteral("Bad Element code"));
        }
        return nullptr;
    }
    return info->create(params);
}

int CShapeCounters::TakeMarkNumber(int mode) {
    if (mode == MeasureMode::kSquareMark) {
        return nextSquareMark++;
    }
    if (mode == MeasureMode::kCircleMark) {
        return nextCircleMark++;
    }
    return 0;
}

CShapeCounters CShapeCounters::After(std::span<const std::unique_ptr<CShape>> shapes) {
    CShapeCounters counters;
    const auto next = [](int& counter, double taken) {
        if (taken >= counter && taken < std::numeric_limits<int>::max()) {
            counter = static_cast<int>(taken) + 1;
        }
    };
    for (const auto& shape : shapes) {
        next(counters.nextSerial, shape->serial);
        if (shape->kind == ShapeKind::kSquareMark) {
            next(counters.nextSquareMark, shape->measure[0]);
        } else if (shape->kind == ShapeKind::kCircleMark) {
            next(counters.nextCircleMark, shape->measure[0]);
        }
    }
    return counters;
}
