#include "shapes/ShapeDrawing.h"

#include "calibration/Calibration.h"
#include "core/Parameters.h"

#include <algorithm>
#include <cmath>

#include <QRectF>

namespace {

// The angles of the end marks, in single precision: 30 and 90 degrees.
const double kWingAngle = static_cast<double>(0.5235988f);
const double kBarAngle = static_cast<double>(1.5707964f);
constexpr double kMarkLength = 20.0;
constexpr int kCrossHalf = 10;

QString Number(const CLabelStyle& style, const char* prefix, double value) {
    return QString::asprintf("%s:%.*f", prefix, std::clamp(style.decimals, 0, kMaxDecimals), value);
}

// A device coordinate from a computed position: v + 0.5 truncated.
int Rounded(double v) {
    return ToDevice(v, 1.0);
}

// The parameters t0 <= t1 of the part of the segment a + t·(b − a), t in
// [0, 1], inside `box`; false when no part is.
bool ClipSegment(QPointF a, QPointF b, const QRectF& box, double& t0, double& t1) {
    t0 = 0.0;
    t1 = 1.0;
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double p[] = {-dx, dx, -dy, dy};
    const double q[] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(),
                        box.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) {
                return false;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
    }
    return t0 <= t1;
}

} // namespace

QPoint DevicePoint(const ShapePoint& p, const CDrawParams& params) {
    return QPoint(ToDevice(p.x, params.zoom) - params.offsetX,
                  ToDevice(p.y, params.zoom) - params.offsetY);
}

CLabelStyle CurrentLabelStyle() {
    return CLabelStyle{CurrentConversion(), g_calibration.unit,
                       static_cast<int>(g_parameters.measuredecimal), g_parameters.textsize};
}

CLabelStyle LabelStyleOf(const CDrawParams& params) {
    return params.labelStyle != nullptr ? *params.labelStyle : CurrentLabelStyle();
}

QString LengthLabel(const CLabelStyle& style, const char* prefix, double value) {
    return Number(style, prefix, value) + style.unit;
}

QString AreaLabel(const CLabelStyle& style, double value) {
    return Number(style, "A", value) + style.unit + QStringLiteral("²");
}

QString AngleLabel(const CLabelStyle& style, double degrees) {
    return Number(style, "Deg", degrees) + QStringLiteral("°");
}

QString MarkLabel(double number) {
    return QString::asprintf("%.0f", number);
}

CShapeCanvas::CShapeCanvas(CDrawContext& dc, const CDrawParams& params, COLORREF lineColor,
                           int shapeImageWidth, int shapeImageHeight)
    : m_dc(dc)
    , m_params(params)
    , m_lineColor(lineColor)
    , m_extentWidth(
          ToDevice(params.imageWidth > 0 ? params.imageWidth : shapeImageWidth, params.zoom))
    , m_extentHeight(
          ToDevice(params.imageHeight > 0 ? params.imageHeight : shapeImageHeight, params.zoom)) {}

QPoint CShapeCanvas::Device(const ShapePoint& p) const {
    return DevicePoint(p, m_params);
}

QPoint CShapeCanvas::Unzoomed(const ShapePoint& p) {
    return QPoint(Rounded(p.x), Rounded(p.y));
}

CDeviceBox CShapeCanvas::Moved(const CDeviceBox& box) const {
    return CDeviceBox{box.left - m_params.offsetX, box.top - m_params.offsetY,
                      box.right - m_params.offsetX, box.bottom - m_params.offsetY};
}

void CShapeCanvas::Segment(QPoint a, QPoint b) {
    m_dc.Line(a.x(), a.y(), b.x(), b.y());
}

void CShapeCanvas::Cross(QPoint p) {
    m_dc.Line(p.x() - kCrossHalf, p.y(), p.x() + kCrossHalf, p.y());
    m_dc.Line(p.x(), p.y() - kCrossHalf, p.x(), p.y() + kCrossHalf);
}

void CShapeCanvas::EndMark(QPoint end, QPoint other, bool bar) {
    const double theta = std::atan2(double(other.y()) - end.y(), double(other.x()) - end.x());
    const auto towards = [end](double angle) {
        return QPoint(Rounded(end.x() + kMarkLength * std::cos(angle)),
                      Rounded(end.y() + kMarkLength * std::sin(angle)));
    };
    Segment(end, towards(theta + kWingAngle));
    Segment(end, towards(theta - kWingAngle));
    if (bar) {
        Segment(towards(theta + kBarAngle), towards(theta - kBarAngle));
    }
}

void CShapeCanvas::Dimension(QPoint a, QPoint b, bool bar) {
    Segment(a, b);
    EndMark(a, b, bar);
    EndMark(b, a, bar);
}

void CShapeCanvas::ExtendedLine(QPoint a, QPoint b) {
    const double dx = double(b.x()) - a.x();
    const double dy = double(b.y()) - a.y();
    if (dx == 0.0 && dy == 0.0) {
        return;
    }
    // Walk the axis the line runs closer to, one pixel per step across the
    // picture; on the other axis keep only pixels strictly inside it. Each
    // pixel gets a twin one row above (or one column left). Runs of pixels on
    // one row (column) are drawn as 1-pixel lines, so the line follows the
    // raster mode and a not-XOR preview erases it again.
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const int majorLow = xMajor ? -m_params.offsetX : -m_params.offsetY;
    const int majorHigh = majorLow + (xMajor ? m_extentWidth : m_extentHeight);
    const int minorLow = xMajor ? -m_params.offsetY : -m_params.offsetX;
    const int minorHigh = minorLow + (xMajor ? m_extentHeight : m_extentWidth);
    const double slope = xMajor ? dy / dx : dx / dy;
    const double majorStart = xMajor ? a.x() : a.y();
    const double minorStart = xMajor ? a.y() : a.x();

    CDrawStateGuard guard(m_dc);
    m_dc.SetPen(CPen{PenStyle::Solid, 1, m_lineColor});
    const auto drawRun = [&](int first, int last, int across) {
        for (const int at : {across, across - 1}) {
            if (xMajor) {
                m_dc.Line(first, at, last + 1, at);
            } else {
                m_dc.Line(at, first, at, last + 1);
            }
        }
    };
    bool inRun = false;
    int runFirst = 0;
    int runMinor = 0;
    for (int along = majorLow; along < majorHigh; ++along) {
        const double across = std::floor(minorStart + (along - majorStart) * slope + 0.5);
        const bool inside = across > minorLow && across < minorHigh;
        if (inRun && (!inside || int(across) != runMinor)) {
            drawRun(runFirst, along - 1, runMinor);
            inRun = false;
        }
        if (inside && !inRun) {
            inRun = true;
            runFirst = along;
            runMinor = int(across);
        }
    }
    if (inRun) {
        drawRun(runFirst, majorHigh - 1, runMinor);
    }
}

void CShapeCanvas::StyledSegment(QPoint a, QPoint b, PenStyle style, int width) {
    // Only the part over the picture (and a margin for the pen) is drawn, so
    // a far-away end (lines meeting almost in parallel) costs nothing.
    const double margin = 2.0 * std::max(width, 1) + 2.0;
    const QRectF picture(-m_params.offsetX - margin, -m_params.offsetY - margin,
                         m_extentWidth + 2 * margin, m_extentHeight + 2 * margin);
    double t0 = 0.0;
    double t1 = 1.0;
    if (!ClipSegment(a, b, picture, t0, t1)) {
        return;
    }
    const auto at = [a, b](double t) {
        const QPointF p = QPointF(a) + t * QPointF(b - a);
        return QPoint(int(std::floor(p.x() + 0.5)), int(std::floor(p.y() + 0.5)));
    };
    CDrawStateGuard guard(m_dc);
    m_dc.SetPen(CPen{style, width, m_lineColor});
    Segment(t0 > 0.0 ? at(t0) : a, t1 < 1.0 ? at(t1) : b);
}

void CShapeCanvas::Polyline(std::span<const ShapePoint> vertices, bool closed) {
    if (vertices.size() < 2) {
        return;
    }
    const QPoint first = Device(vertices[0]);
    m_dc.MoveTo(first.x(), first.y());
    for (std::size_t i = 1; i < vertices.size(); ++i) {
        const QPoint p = Device(vertices[i]);
        m_dc.LineTo(p.x(), p.y());
    }
    if (closed) {
        m_dc.LineTo(first.x(), first.y());
    }
}

void CShapeCanvas::Rectangle(QPoint a, QPoint b) {
    m_dc.Rectangle(a.x(), a.y(), b.x(), b.y());
}

void CShapeCanvas::Ellipse(const CDeviceBox& box) {
    m_dc.Ellipse(box.left, box.top, box.right, box.bottom);
}
