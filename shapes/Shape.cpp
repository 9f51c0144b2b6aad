#include "shapes/Shape.h"

#include "app/Parameters.h"

CShapeNotifications g_shapeNotifications;

CShape::CShape(int kindCode, int usedPoints, int copiedPoints, int anchorIndex,
               const CShapeParams& params)
    : imgWidth(params.imgWidth)
    , imgHeight(params.imgHeight)
    , kind(kindCode)
    , textColor(params.textColor)
    , lineColor(params.lineColor)
    , createZoom(params.zoom)
    , pointCount(usedPoints)
    , m_anchorIndex(anchorIndex) {
    for (int i = 0; i < copiedPoints; ++i) {
        points[i] = params.points[i];
    }
}

void CShape::ComputeResults() {
    if (inProgress != 0) {
        return;
    }
    RefreshGeometry();
    ConvertMeasures(CurrentConversion());
    AfterResults();
}

bool CShape::AllSet(std::initializer_list<int> indices) const {
    for (const int i : indices) {
        if (!IsSet(points[i])) {
            return false;
        }
    }
    return true;
}

void CShape::NotifyResultsChanged() {
    if (g_shapeNotifications.refreshResults) {
        g_shapeNotifications.refreshResults();
    }
}

void CompleteShape(CShape& shape, int serial) {
    shape.lineColor = static_cast<COLORREF>(g_parameters.linecolor);
    shape.textColor = static_cast<COLORREF>(g_parameters.textcolor);
    shape.penWidth = g_parameters.linewidth;
    shape.inProgress = 0;
    shape.serial = serial;
}
