#include "framework/QImageDrawContext.h"

#include "framework/BitmapStretch.h"
#include "framework/ShapedTextCache.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPainterPath>

namespace {

QColor ToQColor(COLORREF color) {
    return QColor(RedOf(color), GreenOf(color), BlueOf(color));
}

// Faces that pictures commonly name, with the installed faces that have the
// same metrics, so labels keep their size and place.
QString SubstituteFace(const QString& face) {
    static const std::pair<const char*, const char*> substitutes[] = {
        {"Arial", "Liberation Sans"},
        {"Helvetica", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
    };
    for (const auto& [windowsFace, installedFace] : substitutes) {
        if (face.compare(QLatin1String(windowsFace), Qt::CaseInsensitive) == 0) {
            return QString::fromLatin1(installedFace);
        }
    }
    return {};
}

// Pattern lengths of dotted and dashed pens, on and off, in pixels.
struct DashPattern {
    int on;
    int off;
};
DashPattern PatternOf(PenStyle style) {
    return style == PenStyle::Dot ? DashPattern{3, 3} : DashPattern{18, 6};
}

// Appends the pixels of a 1-pixel line from `from` towards `to` that lie in
// `bounds`, leaving out `to` itself and the gaps of a styled pen: one pixel
// per step along the major axis, the other coordinate rounded to the nearest
// pixel. `step` counts the pixels along a figure, so a pattern runs on around
// a rectangle's corners. Only the steps inside `bounds` are visited, so a line
// running far outside the picture costs nothing.
void AppendLinePixels(std::vector<QPoint>& pixels, QPoint from, QPoint to, PenStyle style,
                      int& step, const QRect& bounds) {
    const qint64 dx = qint64(to.x()) - from.x();
    const qint64 dy = qint64(to.y()) - from.y();
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const qint64 steps = xMajor ? std::abs(dx) : std::abs(dy);
    const qint64 minorDelta = xMajor ? dy : dx;
    const qint64 majorStart = xMajor ? from.x() : from.y();
    const qint64 minorStart = xMajor ? from.y() : from.x();
    const int majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const qint64 low = xMajor ? bounds.left() : bounds.top();
    const qint64 high = xMajor ? bounds.right() : bounds.bottom();
    const qint64 minorLow = xMajor ? bounds.top() : bounds.left();
    const qint64 minorHigh = xMajor ? bounds.bottom() : bounds.right();

    // The steps n in [0, steps) whose major coordinate lies in [low, high].
    qint64 first = majorSign > 0 ? low - majorStart : majorStart - high;
    qint64 last = majorSign > 0 ? high - majorStart : majorStart - low;
    first = std::max<qint64>(first, 0);
    last = std::min(last, steps - 1);

    const DashPattern pattern = PatternOf(style);
    const int period = pattern.on + pattern.off;
    for (qint64 n = first; n <= last; ++n) {
        const qint64 minor =
            minorStart + qint64(std::floor(double(n) * double(minorDelta) / double(steps) + 0.5));
        if (minor < minorLow || minor > minorHigh) {
            continue;
        }
        if (style == PenStyle::Solid || (step + n) % period < pattern.on) {
            const qint64 major = majorStart + majorSign * n;
            pixels.push_back(xMajor ? QPoint(int(major), int(minor))
                                    : QPoint(int(minor), int(major)));
        }
    }
    step += int(steps % period);
}

// Where the ray from the box's centre through (x, y) meets the box's ellipse,
// as the ellipse's parameter angle in degrees, counter-clockwise on screen
// from the positive x axis: the angle QPainterPath::arcTo expects.
double EllipseAngle(const QRectF& box, int x, int y) {
    const QPointF centre = box.center();
    const double dx = x - centre.x();
    const double dy = centre.y() - y;
    const double halfWidth = std::max(box.width() / 2, 0.5);
    const double halfHeight = std::max(box.height() / 2, 0.5);
    return std::atan2(dy / halfHeight, dx / halfWidth) * 180 / std::numbers::pi;
}

} // namespace

QFont MakeQFont(const CLogFont& record) {
    const QString face = QString::fromStdU16String(record.faceName);
    QStringList families;
    if (!face.isEmpty()) {
        families << face;
    }
    if (const QString substitute = SubstituteFace(face); !substitute.isEmpty()) {
        families << substitute;
    }
    families << QStringLiteral("WenQuanYi Micro Hei");

    QFont font;
    font.setFamilies(families);
    font.setWeight(
        static_cast<QFont::Weight>(std::clamp(record.weight == 0 ? 400 : record.weight, 100, 900)));
    font.setItalic(record.italic);
    font.setUnderline(record.underline);
    font.setStrikeOut(record.strikeOut);

    int characterHeight = 0;
    if (record.height < 0) {
        characterHeight = -record.height;
    } else {
        // A cell height: find the character height whose ascent + descent
        // comes closest, from the face's proportions at a large size.
        const int cellHeight = record.height == 0 ? 16 : record.height;
        constexpr int reference = 256;
        font.setPixelSize(reference);
        const QFontMetricsF metrics(font);
        characterHeight = qRound(cellHeight * reference / (metrics.ascent() + metrics.descent()));
    }
    font.setPixelSize(std::max(1, characterHeight));
    return font;
}

CQImageDrawContext::CQImageDrawContext(QImage& target)
    : m_painter(&target)
    , m_bounds(target.rect()) {
    m_painter.setBackground(Qt::white);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // The painter has made the target's data its own, so bits() does not
    // copy it any more.
    switch (target.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        m_pixels = target.bits();
        m_bytesPerLine = target.bytesPerLine();
        break;
    default:
        break;
    }
}

CQImageDrawContext::~CQImageDrawContext() = default;

void CQImageDrawContext::SaveState() {
    m_saved.push_back(m_state);
}

void CQImageDrawContext::RestoreState() {
    if (!m_saved.empty()) {
        m_state = m_saved.back();
        m_saved.pop_back();
    }
}

double CQImageDrawContext::PrepareStroke(bool filled) {
    const int width = std::max(1, m_state.pen.width);
    const bool notXor = m_state.rasterMode == RasterMode::NotXorPen;
    const bool styled = m_state.pen.style != PenStyle::Solid;

    QPen pen(ToQColor(m_state.pen.color));
    pen.setWidth(width);
    if (styled) {
        // Dots and gaps never shorter than the pen is wide; Qt counts the
        // pattern in pen widths.
        const DashPattern pattern = PatternOf(m_state.pen.style);
        pen.setDashPattern({std::max(pattern.on, width) / double(width),
                            std::max(pattern.off, width) / double(width)});
    }
    // Wide solid pens are round at their ends and corners; dashes and thin
    // curves end flat.
    const bool round = width > 1 && !styled;
    pen.setCapStyle(round ? Qt::RoundCap : Qt::FlatCap);
    pen.setJoinStyle(round ? Qt::RoundJoin : Qt::MiterJoin);
    m_painter.setPen(pen);
    m_painter.setBrush(filled && m_state.brush == Brush::White ? QBrush(Qt::white) : QBrush());
    m_painter.setCompositionMode(notXor ? QPainter::RasterOp_NotSourceXorDestination
                                        : QPainter::CompositionMode_SourceOver);
    m_painter.setRenderHint(QPainter::Antialiasing, width > 1 && !notXor);
    m_painter.setBackgroundMode(Qt::TransparentMode); // opaque mode would fill dash gaps
    // A wide stroke of odd width is centred on pixel centres, so a straight
    // one covers whole pixels; 1-pixel pens address pixels directly.
    return width > 1 && width % 2 == 1 ? 0.5 : 0.0;
}

QRectF CQImageDrawContext::FigureBox(int left, int top, int right, int bottom,
                                     double offset) const {
    if (right < left) {
        std::swap(left, right);
    }
    if (bottom < top) {
        std::swap(top, bottom);
    }
    // The outline runs on the last column and row inside the box.
    return QRectF(left + offset, top + offset, right - left - 1, bottom - top - 1);
}

void CQImageDrawContext::PaintPixels(std::vector<QPoint>& pixels) {
    const bool notXor = m_state.rasterMode == RasterMode::NotXorPen;
    if (!notXor && m_pixels != nullptr) {
        // An opaque colour over a 32-bit pixel replaces it; the pixels lie
        // inside the target (the line walk keeps to its bounds).
        const std::uint32_t color = 0xFF000000u | ToQColor(m_state.pen.color).rgb();
        for (const QPoint& p : pixels) {
            std::memcpy(m_pixels + m_bytesPerLine * p.y() + 4 * static_cast<qsizetype>(p.x()),
                        &color, sizeof color);
        }
        return;
    }
    // A pixel painted twice would cancel itself out in not-XOR mode; copied
    // over itself it stays the same, so only not-XOR needs the duplicates gone.
    if (notXor) {
        const auto byRow = [](QPoint a, QPoint b) {
            return std::make_pair(a.y(), a.x()) < std::make_pair(b.y(), b.x());
        };
        std::sort(pixels.begin(), pixels.end(), byRow);
        pixels.erase(std::unique(pixels.begin(), pixels.end()), pixels.end());
    }

    QPen pen(ToQColor(m_state.pen.color), 1, Qt::SolidLine, Qt::SquareCap);
    m_painter.setPen(pen);
    m_painter.setCompositionMode(notXor ? QPainter::RasterOp_NotSourceXorDestination
                                        : QPainter::CompositionMode_SourceOver);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.drawPoints(pixels.data(), static_cast<int>(pixels.size()));
}

void CQImageDrawContext::LineTo(int x, int y) {
    const QPoint to(x, y);
    if (m_state.pen.width <= 1) {
        // Qt's own 1-pixel lines leave out whichever end lies further right
        // or down; a line must leave out its end, whatever its direction.
        std::vector<QPoint> pixels;
        int step = 0;
        AppendLinePixels(pixels, m_position, to, m_state.pen.style, step, m_bounds);
        PaintPixels(pixels);
        m_position = to;
        return;
    }
    const double offset = PrepareStroke(false);
    const QPointF shift(offset, offset);
    m_painter.drawLine(QLineF(QPointF(m_position) + shift, QPointF(x, y) + shift));
    m_position = QPoint(x, y);
}

void CQImageDrawContext::Rectangle(int left, int top, int right, int bottom) {
    if (left == right || top == bottom) {
        return;
    }
    if (m_state.pen.width <= 1) {
        const QRectF box = FigureBox(left, top, right, bottom, 0);
        const int l = int(box.left());
        const int t = int(box.top());
        const int r = int(box.right());
        const int b = int(box.bottom());
        if (m_state.brush == Brush::White) {
            PrepareStroke(true);
            m_painter.fillRect(QRect(QPoint(l, t), QPoint(r, b)), Qt::white);
        }
        std::vector<QPoint> pixels;
        int step = 0;
        const QPoint corners[] = {{l, t}, {r, t}, {r, b}, {l, b}, {l, t}};
        for (int i = 0; i < 4; ++i) {
            AppendLinePixels(pixels, corners[i], corners[i + 1], m_state.pen.style, step, m_bounds);
        }
        PaintPixels(pixels);
        return;
    }
    const double offset = PrepareStroke(true);
    m_painter.drawRect(FigureBox(left, top, right, bottom, offset));
}

void CQImageDrawContext::Ellipse(int left, int top, int right, int bottom) {
    if (left == right || top == bottom) {
        return;
    }
    const double offset = PrepareStroke(true);
    m_painter.drawEllipse(FigureBox(left, top, right, bottom, offset));
}

void CQImageDrawContext::Arc(int left, int top, int right, int bottom, int startX, int startY,
                             int endX, int endY) {
    if (left == right || top == bottom) {
        return;
    }
    const double offset = PrepareStroke(false);
    const QRectF box = FigureBox(left, top, right, bottom, offset);
    const double start = EllipseAngle(box, startX, startY);
    double sweep = std::fmod(EllipseAngle(box, endX, endY) - start, 360.0);
    if (sweep <= 0) {
        sweep += 360; // counter-clockwise always; the same ray is the whole ellipse
    }
    QPainterPath path;
    path.arcMoveTo(box, start);
    path.arcTo(box, start, sweep);
    m_painter.drawPath(path);
}

void CQImageDrawContext::SetPixel(int x, int y, COLORREF color) {
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

int CQImageDrawContext::PrepareText() {
    if (!m_fontMade || !SameFont(m_fontRecord, m_state.font)) {
        m_fontRecord = m_state.font;
        m_font = MakeQFont(m_fontRecord);
        m_ascent = QFontMetrics(m_font).ascent();
        m_fontMade = true;
    }
    m_painter.setFont(m_font);
    m_painter.setPen(ToQColor(m_state.textColor));
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.setBackgroundMode(
        m_state.backgroundMode == BackgroundMode::Opaque ? Qt::OpaqueMode : Qt::TransparentMode);
    return m_ascent;
}

const CShapedTextCache::CShapedText* CQImageDrawContext::Shaped(const QString& text) {
    // Glyphs paint no background box, so opaque text is drawn as text.
    if (m_textCache == nullptr || m_state.backgroundMode != BackgroundMode::Transparent) {
        return nullptr;
    }
    return &m_textCache->Get(m_fontRecord, m_font, text);
}

void CQImageDrawContext::DrawShaped(const CShapedTextCache::CShapedText& shaped, QPoint baseline) {
    const QPointF topLeft(baseline.x(), baseline.y() - shaped.ascent);
    for (const QGlyphRun& run : shaped.runs) {
        m_painter.drawGlyphRun(topLeft, run);
    }
}

void CQImageDrawContext::TextOut(int x, int y, const QString& text) {
    const int ascent = PrepareText();
    const QPoint baseline(x, y + ascent);
    if (const auto* shaped = Shaped(text)) {
        DrawShaped(*shaped, baseline);
        return;
    }
    m_painter.drawText(baseline, text);
}

void CQImageDrawContext::DrawCenteredText(int left, int top, int right, int bottom,
                                          const QString& text) {
    Q_UNUSED(bottom); // the text is not cut at the box
    const int ascent = PrepareText();
    const auto* shaped = Shaped(text);
    const int width = shaped ? shaped->advance : QFontMetrics(m_font).horizontalAdvance(text);
    const QPoint baseline((left + right - width) / 2, top + ascent);
    if (shaped) {
        DrawShaped(*shaped, baseline);
        return;
    }
    m_painter.drawText(baseline, text);
}

void CQImageDrawContext::DrawImage(int x, int y, int width, int height, const QImage& source) {
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.drawImage(QRect(x, y, width, height), source);
}

void CQImageDrawContext::StretchBitmap(int x, int y, int width, int height,
                                       const CBitmapView& source) {
    if (width <= 0 || height <= 0) {
        return;
    }
    const QRect visible = QRect(x, y, width, height).intersected(m_bounds);
    if (visible.isEmpty()) {
        return;
    }
    const QRect part = visible.translated(-x, -y);
    if (m_pixels != nullptr) {
        std::uint8_t* first = m_pixels + m_bytesPerLine * visible.top() + 4 * visible.left();
        StretchToXrgb(source, width, height, part, first, m_bytesPerLine);
        return;
    }
    QImage piece(part.size(), QImage::Format_RGB32);
    if (piece.isNull()) {
        return;
    }
    StretchToXrgb(source, width, height, part, piece.bits(), piece.bytesPerLine());
    m_painter.setCompositionMode(QPainter::CompositionMode_Source);
    m_painter.drawImage(visible.topLeft(), piece);
}
