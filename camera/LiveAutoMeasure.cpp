#include "camera/LiveAutoMeasure.h"

#include "image/Dib.h"
#include "shapes/ShapeDrawing.h"
#include "tools/EdgeTools.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

constexpr std::size_t kCircleClicks = 3;
constexpr std::size_t kLineClicks = 4;

// The part of the frame inside `area` (frame pixels, y down, clipped to the
// frame) as a picture the edge tools search, rows in the stored order.
CDib FramePicture(const CaptureFrame& frame, QRect area) {
    area &= QRect(0, 0, frame.width, frame.height);
    CDib picture;
    if (area.isEmpty() || !picture.Create(area.width(), area.height(), 24)) {
        return picture;
    }
    const auto rowBytes = static_cast<std::size_t>(area.width()) * 3;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const std::uint8_t* from =
            frame.bgr + static_cast<std::ptrdiff_t>(frame.height - 1 - y) * frame.stride +
            3 * static_cast<std::ptrdiff_t>(area.left());
        std::memcpy(picture.Row(picture.StoredRow(y - area.top())), from, rowBytes);
    }
    return picture;
}

// Snap to edge on the frame. The search never looks further than the radius,
// so only that square is copied out of the frame.
std::optional<QPoint> SnapOnFrame(const CaptureFrame& frame, QPoint click) {
    const QRect area(click - QPoint(kEdgeSnapRadius, kEdgeSnapRadius),
                     click + QPoint(kEdgeSnapRadius, kEdgeSnapRadius));
    const CDib picture = FramePicture(frame, area);
    if (!picture.IsValid()) {
        return std::nullopt;
    }
    const QPoint origin = (area & QRect(0, 0, frame.width, frame.height)).topLeft();
    const auto snapped = SnapToEdge(picture, click - origin, kEdgeSnapRadius);
    return snapped ? std::optional<QPoint>(*snapped + origin) : std::nullopt;
}

CDrawParams SurfaceMapping(const CLiveViewParams& view, int penWidth) {
    return CDrawParams{.penWidth = penWidth,
                       .zoom = view.zoom > 0 ? view.zoom : 1.0,
                       .offsetX = view.scrollX,
                       .offsetY = view.scrollY,
                       .sideEffects = false};
}

ShapePoint AsShapePoint(QPoint p) {
    return ShapePoint{static_cast<double>(p.x()), static_cast<double>(p.y())};
}

} // namespace

int LiveSurfaceToFrame(int surface, int scroll, double zoom) {
    // Kept inside the int range for points far off the picture.
    const double v = std::floor((surface + static_cast<double>(scroll)) / zoom + 0.5);
    return static_cast<int>(std::clamp(v, -1e9, 1e9));
}

void CLiveAutoMeasure::Restart(int code) {
    m_code = code;
    m_clicks.clear();
    m_line.reset();
}

void CLiveAutoMeasure::Update(const CaptureFrame& frame, const CLiveViewParams& view,
                              const CInProgressShape& shape) {
    const int code =
        view.adjustCode == kCircleCode || view.adjustCode == kLineCode ? view.adjustCode : 0;
    if (code != m_code) {
        Restart(code);
    }
    if (code == 0) {
        return;
    }
    m_lineColor = shape.lineColor;
    m_lineWidth = shape.lineWidth;
    const double zoom = view.zoom > 0 ? view.zoom : 1.0;
    const std::size_t limit = code == kCircleCode ? kCircleClicks : kLineClicks;
    const std::size_t count = std::min(shape.points.size(), limit);

    // A click that moved or went away restarts its search and, for the line,
    // the search of the whole pair.
    if (m_clicks.size() > count) {
        m_clicks.resize(count);
        m_line.reset();
    }
    for (std::size_t i = 0; i < count; ++i) {
        const QPoint click(LiveSurfaceToFrame(shape.points[i].x(), view.scrollX, zoom),
                           LiveSurfaceToFrame(shape.points[i].y(), view.scrollY, zoom));
        if (i == m_clicks.size()) {
            m_clicks.push_back(CHeldClick{click, std::nullopt});
        } else if (m_clicks[i].click != click) {
            m_clicks[i] = CHeldClick{click, std::nullopt};
            m_line.reset();
        }
    }

    const bool circleSearch =
        code == kCircleCode && std::any_of(m_clicks.begin(), m_clicks.end(),
                                           [](const CHeldClick& c) { return !c.snapped; });
    const bool lineSearch = code == kLineCode && m_clicks.size() == kLineClicks && !m_line;
    if (!circleSearch && !lineSearch) {
        return;
    }
    if (circleSearch) {
        for (CHeldClick& held : m_clicks) {
            if (!held.snapped) {
                held.snapped = SnapOnFrame(frame, held.click);
            }
        }
        return;
    }
    const CDib picture = FramePicture(frame, QRect(0, 0, frame.width, frame.height));
    if (!picture.IsValid()) {
        return;
    }
    m_line = TwoLinePerpendicular(picture, m_clicks[0].click, m_clicks[1].click, m_clicks[2].click,
                                  m_clicks[3].click, 1.0);
}

void CLiveAutoMeasure::Draw(CDrawContext& dc, const CLiveViewParams& view) const {
    if (m_code == 0 || m_clicks.empty()) {
        return;
    }
    CDrawStateGuard state(dc);
    dc.SetPen(CPen{PenStyle::Solid, m_lineWidth, m_lineColor});
    dc.SetBrush(Brush::Hollow);
    CShapeCanvas canvas(dc, SurfaceMapping(view, m_lineWidth), m_lineColor, 0, 0);
    if (m_code == kCircleCode) {
        for (const CHeldClick& held : m_clicks) {
            if (held.snapped) {
                canvas.Cross(canvas.Device(AsShapePoint(*held.snapped)));
            }
        }
        return;
    }
    for (std::size_t first = 0; first + 1 < m_clicks.size(); first += 2) {
        canvas.Dimension(canvas.Device(AsShapePoint(m_clicks[first].click)),
                         canvas.Device(AsShapePoint(m_clicks[first + 1].click)), false);
    }
    if (m_line) {
        canvas.Dimension(canvas.Device(AsShapePoint(m_line->a)),
                         canvas.Device(AsShapePoint(m_line->b)), true);
    }
}

std::vector<std::optional<QPoint>> CLiveAutoMeasure::SnappedPoints() const {
    std::vector<std::optional<QPoint>> points;
    if (m_code != kCircleCode) {
        return points;
    }
    for (const CHeldClick& held : m_clicks) {
        points.push_back(held.snapped);
    }
    return points;
}
