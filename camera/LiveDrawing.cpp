#include "camera/LiveDrawing.h"

#include "shapes/ShapeFactory.h"
#include "shapes/ShapeKinds.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMarkHalf = 10;   // live marks are 20 × 20
constexpr int kNumberHalf = 12; // their number is centred in 24 × 24

int Zoomed(double scale, double value) {
    return static_cast<int>(std::trunc(scale * value + 0.5));
}

bool IsMark(int kind) {
    return kind == LiveKind::kSquareMark || kind == LiveKind::kCircleMark;
}

void DrawMark(CDrawContext& dc, const CVideoShap& shape, QPoint at, int textSize) {
    if (shape.kind == LiveKind::kSquareMark) {
        dc.Rectangle(at.x() - kMarkHalf, at.y() - kMarkHalf, at.x() + kMarkHalf,
                     at.y() + kMarkHalf);
    } else {
        dc.Ellipse(at.x() - kMarkHalf, at.y() - kMarkHalf, at.x() + kMarkHalf, at.y() + kMarkHalf);
    }
    CDrawStateGuard textState(dc);
    dc.SetFont(LiveOverlayFont(textSize));
    dc.SetTextColor(shape.textColor);
    dc.SetBackgroundMode(BackgroundMode::Transparent);
    dc.DrawCenteredText(at.x() - kNumberHalf, at.y() - kNumberHalf, at.x() + kNumberHalf,
                        at.y() + kNumberHalf, MarkLabel(shape.measured[0]));
}

// The still shape of a live record, its points in frame pixels. Polygons and
// fold lines keep their last point as the label anchor in the last slot.
std::unique_ptr<CShape> StillShapeOf(const CVideoShap& live, int mode) {
    CShapeParams params;
    params.lineColor = live.lineColor;
    params.textColor = live.textColor;
    params.text = live.labelText;
    params.markNumber = static_cast<int>(live.measured[0]);
    const bool chain = live.kind == LiveKind::kPolygon || live.kind == LiveKind::kFoldLine;
    const std::size_t count = live.points.size();
    if (chain && count >= 2) {
        const std::size_t vertices = std::min<std::size_t>(count - 1, kShapePointSlots - 1);
        std::copy_n(live.points.begin(), vertices, params.points.begin());
        params.points[kShapePointSlots - 1] = live.points.back();
    } else {
        std::copy_n(live.points.begin(), std::min<std::size_t>(count, kShapePointSlots),
                    params.points.begin());
    }
    auto shape = CreateShape(mode, params);
    if (!shape) {
        return nullptr;
    }
    // The live record's measures were taken when it was made; the still
    // shape recomputes those that depend on a fitted circle when drawn.
    if (live.measured != std::array<double, 3>{}) {
        shape->measure = live.measured;
    }
    shape->inProgress = 0;
    return shape;
}

} // namespace

std::optional<CVideoShap> LiveShapeOf(const CShape& shape) {
    CVideoShap live;
    live.kind = LiveKindOfShapeKind(shape.kind);
    if (live.kind == 0) {
        return std::nullopt;
    }
    live.measured = shape.measure;
    live.labelText = shape.text;
    live.textColor = shape.textColor;
    live.lineColor = shape.lineColor;
    live.lineWidth = shape.penWidth;
    live.marked = shape.exportMark;
    const auto& points = shape.points;
    if (live.kind == LiveKind::kPolygon || live.kind == LiveKind::kFoldLine) {
        // The vertices as placed, then the label anchor of the last slot.
        for (std::size_t i = 0; i + 1 < points.size() && IsSet(points[i]); ++i) {
            live.points.push_back(points[i]);
        }
        live.points.push_back(points.back());
        return live;
    }
    std::size_t used = points.size();
    while (used > 0 && !IsSet(points[used - 1])) {
        --used;
    }
    live.points.assign(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(used));
    return live;
}

CLogFont LiveOverlayFont(int textSize) {
    CLogFont font;
    font.height = textSize;
    font.charSet = 0x86;
    return font;
}

void DrawLiveShapes(CDrawContext& dc, std::span<const CVideoShap> shapes, double scale, int offsetX,
                    int offsetY, const CLiveDrawingStyle& style) {
    CDrawParams params;
    params.zoom = scale;
    params.offsetX = offsetX;
    params.offsetY = offsetY;
    params.sideEffects = false;
    params.labelStyle = &style.labels;
    for (const CVideoShap& live : shapes) {
        CDrawStateGuard state(dc);
        dc.SetPen(CPen{PenStyle::Solid, live.lineWidth, live.lineColor});
        dc.SetBrush(Brush::Hollow);
        if (IsMark(live.kind)) {
            if (!live.points.empty()) {
                const ShapePoint p = live.points.front();
                DrawMark(dc, live,
                         QPoint(Zoomed(scale, p.x) - offsetX, Zoomed(scale, p.y) - offsetY),
                         style.labels.textSize);
            }
            continue;
        }
        const int mode = StillModeOfLiveKind(live.kind);
        if (mode == 0) {
            continue;
        }
        if (auto shape = StillShapeOf(live, mode)) {
            params.penWidth = live.lineWidth;
            shape->font = LiveOverlayFont(style.labels.textSize);
            shape->Draw(dc, params);
        }
    }
}

void DrawInProgressShape(CDrawContext& dc, const CInProgressShape& shape,
                         const CLiveViewParams& view, const CLiveDrawingStyle& style) {
    const int mode = StillModeOfLiveKind(shape.kind);
    if (mode == 0 || shape.points.empty() || view.zoom <= 0) {
        return;
    }
    // The still preview takes image points; surface pixels map back through
    // the zoom and the scroll position. The automatic line's preview is the
    // exception: it draws its guide lines where they were drawn, in device
    // pixels, so its points stay surface pixels.
    CShapeParams params;
    params.lineColor = shape.lineColor;
    params.textColor = shape.textColor;
    const bool devicePoints = shape.kind == LiveKind::kAutoLine;
    const std::size_t count = std::min<std::size_t>(shape.points.size(), kShapePointSlots);
    for (std::size_t i = 0; i < count; ++i) {
        const QPoint p = shape.points[i];
        params.points[i] = devicePoints
                               ? ShapePoint{static_cast<double>(p.x()), static_cast<double>(p.y())}
                               : ShapePoint{(p.x() + view.scrollX) / view.zoom,
                                            (p.y() + view.scrollY) / view.zoom};
    }
    auto preview = CreateShape(mode, params);
    if (!preview) {
        return;
    }
    CDrawParams drawParams{.penWidth = shape.lineWidth,
                           .zoom = view.zoom,
                           .offsetX = view.scrollX,
                           .offsetY = view.scrollY,
                           .sideEffects = false,
                           .labelStyle = &style.labels};
    CDrawStateGuard state(dc);
    preview->Draw(dc, drawParams);

    const bool distance = shape.kind == LiveKind::kLine ||
                          shape.kind == LiveKind::kHorizontalLine ||
                          shape.kind == LiveKind::kVerticalLine;
    if (distance && shape.points.size() >= 3) {
        const double length = style.labels.conversion.Length(shape.measured[0]);
        dc.SetFont(LiveOverlayFont(style.labels.textSize));
        dc.SetTextColor(shape.textColor);
        dc.SetBackgroundMode(BackgroundMode::Transparent);
        dc.TextOut(shape.points[2].x(), shape.points[2].y(),
                   LengthLabel(style.labels, "L", length));
    }
}

void DrawCrosshair(CDrawContext& dc, const CLiveViewParams& view, int frameWidth, int frameHeight,
                   const CLiveDrawingStyle& style) {
    if (!view.crosshair) {
        return;
    }
    const COLORREF color = style.lineColor;
    const int row = Zoomed(view.zoom, view.crosshairPosition.y());
    const int column = Zoomed(view.zoom, view.crosshairPosition.x());
    const int width = Zoomed(view.zoom, frameWidth);
    const int height = Zoomed(view.zoom, frameHeight);
    // A 1-pixel line leaves out its end, so these are exactly the pixels
    // 0 .. width - 1 of the row and 0 .. height - 1 of the column, painted
    // in two calls instead of one per pixel.
    CDrawStateGuard state(dc);
    dc.SetPen(CPen{PenStyle::Solid, 1, color});
    dc.SetRasterMode(RasterMode::CopyPen);
    if (width > 0) {
        dc.Line(0, row, width, row);
    }
    if (height > 0) {
        dc.Line(column, 0, column, height);
    }
}

void DrawRecordingNotice(CDrawContext& dc, const CLiveViewParams& view,
                         const CLiveDrawingStyle& style) {
    if (view.recordingNotice.isEmpty()) {
        return;
    }
    CDrawStateGuard state(dc);
    dc.SetFont(LiveOverlayFont(style.labels.textSize));
    dc.SetTextColor(0x00FF00);
    dc.TextOut(3, 5, view.recordingNotice);
}
