#include "shapes/Shape.h"

#include "core/Parameters.h"

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

void CShape::Draw(CDrawContext& dc, const CDrawParams& params) {
    // The circle through three points is found before it is drawn, for
    // previews as well.
    const CLabelStyle style = LabelStyleOf(params);
    if (inProgress == 0 && params.sideEffects) {
        ComputeResults();
    } else if (inProgress == 0) {
        RefreshGeometry();
        ConvertMeasures(style.conversion);
    } else {
        RefreshGeometry();
    }

    CDrawStateGuard figureState(dc);
    dc.SetPen(CPen{PenStyle::Solid, params.penWidth, lineColor});
    dc.SetBrush(Brush::Hollow);
    CShapeCanvas canvas(dc, params, lineColor, imgWidth, imgHeight);
    DrawFigure(canvas);
    if (inProgress != 0) {
        return;
    }

    font.height = style.textSize;
    CDrawStateGuard labelState(dc);
    dc.SetFont(font);
    dc.SetTextColor(textColor);
    dc.SetBackgroundMode(BackgroundMode::Transparent);
    for (const CShapeLabel& label : Labels(params)) {
        dc.TextOut(label.x, label.y, label.text);
    }
}

std::vector<CShapeLabel> CShape::Labels(const CDrawParams& params) const {
    std::vector<CShapeLabel> labels;
    if (inProgress != 0) {
        return labels;
    }
    const QPoint anchor = DevicePoint(points[AnchorIndex()], params);
    for (CLabelLine& line : LabelLines(LabelStyleOf(params))) {
        labels.push_back(
            CShapeLabel{std::move(line.text), anchor.x() + line.dx, anchor.y() + line.dy});
    }
    return labels;
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
