#include "camera/LiveMeasuring.h"

#include "calibration/Calibration.h"
#include "shapes/DistanceShapes.h"
#include "shapes/Shape.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

int FramePixel(int content, double zoom) {
    return static_cast<int>(std::floor(content / zoom + 0.5));
}

bool IsChain(int liveKind) {
    return liveKind == LiveKind::kPolygon || liveKind == LiveKind::kFoldLine;
}

// The points a shape has placed: a chain's leading vertices (and its label
// anchor when `withAnchor`), otherwise every slot up to the last placed one.
std::vector<ShapePoint> PlacedPoints(const CShape& shape, int liveKind, bool withAnchor) {
    const auto& held = shape.points;
    std::vector<ShapePoint> points;
    if (IsChain(liveKind)) {
        const int vertices = LeadingVertexCount(held);
        points.assign(held.begin(), held.begin() + vertices);
        if (withAnchor && IsSet(held[kShapePointSlots - 1])) {
            points.push_back(held[kShapePointSlots - 1]);
        }
        return points;
    }
    int last = kShapePointSlots - 1;
    while (last >= 0 && !IsSet(held[last])) {
        --last;
    }
    points.assign(held.begin(), held.begin() + (last + 1));
    return points;
}

} // namespace

QSize ZoomedFrameSize(int frameWidth, int frameHeight, double zoom) {
    return {static_cast<int>(std::floor(frameWidth * zoom + 0.5)),
            static_cast<int>(std::floor(frameHeight * zoom + 0.5))};
}

bool OnZoomedPicture(QPoint content, int frameWidth, int frameHeight, double zoom) {
    const QSize zoomed = ZoomedFrameSize(frameWidth, frameHeight, zoom);
    return content.x() >= 0 && content.y() >= 0 && content.x() < zoomed.width() &&
           content.y() < zoomed.height();
}

CVideoShap LiveShapeOf(const CShape& shape, int liveKind, int ordinal, int lineWidth) {
    CVideoShap live;
    live.kind = liveKind;
    live.measured = shape.measure;
    live.labelText = shape.text;
    live.ordinal = ordinal;
    live.textColor = shape.textColor;
    live.lineColor = shape.lineColor;
    live.lineWidth = lineWidth;
    live.points = PlacedPoints(shape, liveKind, true);
    return live;
}

CInProgressShape InProgressOf(const CShape& preview, int liveKind, QPoint scroll, double zoom,
                              bool devicePoints, int lineWidth) {
    CInProgressShape shape;
    shape.kind = liveKind;
    shape.measured = preview.measure;
    shape.lineColor = preview.lineColor;
    shape.textColor = preview.textColor;
    shape.lineWidth = lineWidth;
    for (const ShapePoint& p : PlacedPoints(preview, liveKind, false)) {
        const QPoint content = devicePoints
                                   ? QPoint(static_cast<int>(p.x), static_cast<int>(p.y))
                                   : QPoint(static_cast<int>(std::floor(p.x * zoom + 0.5)),
                                            static_cast<int>(std::floor(p.y * zoom + 0.5)));
        shape.points.push_back(content - scroll);
    }
    return shape;
}

QRect LiveAdjustRect(QPoint from, QPoint to, double zoom, int frameWidth, int frameHeight) {
    if (zoom <= 0 || frameWidth <= 0 || frameHeight <= 0) {
        return {};
    }
    const int x0 = FramePixel(from.x(), zoom);
    const int y0 = FramePixel(from.y(), zoom);
    const int x1 = FramePixel(to.x(), zoom);
    const int y1 = FramePixel(to.y(), zoom);
    const QRect dragged(QPoint(std::min(x0, x1), std::min(y0, y1)),
                        QPoint(std::max(x0, x1), std::max(y0, y1)));
    if (dragged.width() < 2 || dragged.height() < 2) {
        return {}; // a click, not a drag
    }
    return dragged.intersected(QRect(0, 0, frameWidth, frameHeight));
}

bool RememberLiveLine(const CVideoShap& shape) {
    const bool distance = shape.kind == LiveKind::kLine ||
                          shape.kind == LiveKind::kHorizontalLine ||
                          shape.kind == LiveKind::kVerticalLine;
    if (!distance) {
        return false;
    }
    g_calibration.lastLineLength = CurrentConversion().Length(shape.measured[0]);
    g_calibration.lineDrawn = true;
    return true;
}

bool FillMagnifierFromFrame(const CStillFrame& frame, QPoint center, int side,
                            std::span<std::uint8_t> out) {
    if (side <= 0 || frame.width <= 0 || frame.height <= 0 || frame.stride < frame.width * 3 ||
        frame.bgr.size() < static_cast<std::size_t>(frame.stride) * frame.height) {
        return false;
    }
    const std::size_t stride = (static_cast<std::size_t>(side) * 3 + 3) & ~std::size_t{3};
    const std::size_t bytes = stride * static_cast<std::size_t>(side);
    if (out.size() < bytes) {
        return false;
    }
    std::fill_n(out.begin(), bytes, std::uint8_t{0});
    const int left = std::clamp(center.x() - side / 2, 0, std::max(0, frame.width - side));
    const int top = std::clamp(center.y() - side / 2, 0, std::max(0, frame.height - side));
    const int columns = std::min(side, frame.width - left);
    const int rows = std::min(side, frame.height - top);
    for (int r = 0; r < rows; ++r) {
        // Both are bottom-up: the square's top row is its last stored row.
        const int storedRow = frame.height - 1 - (top + r);
        const std::uint8_t* source =
            frame.bgr.data() + static_cast<std::size_t>(storedRow) * frame.stride + 3 * left;
        std::memcpy(out.data() + stride * static_cast<std::size_t>(side - 1 - r), source,
                    3 * static_cast<std::size_t>(columns));
    }
    return true;
}
