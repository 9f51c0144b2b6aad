#include "shapes/Shape.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// A context that draws nothing and collects the box of everything drawn on
// it, each figure grown by half its pen width and two pixels, for the
// rounding of curves.
class CExtentContext final : public CDrawContext {
public:
    QRect Extent() const { return m_extent; }

    void SetPen(const CPen& pen) override { m_penWidth = std::max(1, pen.width); }
    void SetBrush(Brush) override {}
    void SetFont(const CLogFont& font) override { m_fontHeight = font.height; }
    void SetTextColor(COLORREF) override {}
    void SetBackgroundMode(BackgroundMode) override {}
    void SetRasterMode(RasterMode) override {}
    void SaveState() override { m_saved.push_back({m_penWidth, m_fontHeight}); }
    void RestoreState() override {
        if (!m_saved.empty()) {
            m_penWidth = m_saved.back().first;
            m_fontHeight = m_saved.back().second;
            m_saved.pop_back();
        }
    }
    void MoveTo(int x, int y) override { m_position = QPoint(x, y); }
    void LineTo(int x, int y) override {
        Stroke(QRect(m_position, QPoint(x, y)).normalized());
        m_position = QPoint(x, y);
    }
    void Rectangle(int left, int top, int right, int bottom) override {
        Stroke(QRect(QPoint(left, top), QPoint(right, bottom)).normalized());
    }
    void Ellipse(int left, int top, int right, int bottom) override {
        Rectangle(left, top, right, bottom);
    }
    void Arc(int left, int top, int right, int bottom, int, int, int, int) override {
        Rectangle(left, top, right, bottom);
    }
    void SetPixel(int x, int y, COLORREF) override { Add(QRect(x, y, 1, 1)); }
    void TextOut(int x, int y, const QString& text) override { Add(TextBox(x, y, text)); }
    void DrawCenteredText(int left, int top, int right, int, const QString& text) override {
        const QRect box = TextBox(0, top, text);
        Add(box.translated((left + right - box.width()) / 2, 0));
    }
    void StretchBitmap(int x, int y, int width, int height, const CBitmapView&) override {
        Add(QRect(x, y, width, height));
    }

    // A text's cell: at most two character heights tall and, for each
    // character and one more, two character heights wide, which no face
    // reaches.
    QRect TextBox(int x, int y, const QString& text) const {
        const int height = m_fontHeight == 0 ? 16 : std::abs(m_fontHeight);
        return QRect(x, y, 2 * height * (static_cast<int>(text.size()) + 1), 2 * height);
    }

private:
    void Stroke(const QRect& box) {
        const int reach = m_penWidth / 2 + 2;
        Add(box.adjusted(-reach, -reach, reach, reach));
    }
    void Add(const QRect& box) { m_extent |= box; }

    QRect m_extent;
    QPoint m_position;
    int m_penWidth = 1;
    int m_fontHeight = 0;
    std::vector<std::pair<int, int>> m_saved;
};

} // namespace

QRect CShape::DrawnBounds(const CDrawParams& params) {
    const CLabelStyle style = LabelStyleOf(params);
    RefreshGeometry();
    if (inProgress == 0) {
        ConvertMeasures(style.conversion);
    }
    CExtentContext extent;
    extent.SetPen(CPen{PenStyle::Solid, params.penWidth, lineColor});
    CShapeCanvas canvas(extent, params, lineColor, imgWidth, imgHeight);
    DrawFigure(canvas);
    CLogFont labelFont = font;
    labelFont.height = style.textSize;
    extent.SetFont(labelFont);
    for (const CShapeLabel& label : Labels(params)) {
        extent.TextOut(label.x, label.y, label.text);
    }
    return extent.Extent();
}
