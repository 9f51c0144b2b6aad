#pragma once

#include "framework/DrawContext.h"
#include "framework/ShapedTextCache.h"

#include <cstdint>
#include <vector>

#include <QFont>
#include <QPainter>
#include <QPoint>
#include <QRect>

class QImage;

// The Qt font for a font record: the face (with a metric-compatible stand-in
// for the common Windows faces and a Chinese face for glyphs it lacks), the
// weight, italic, underline and strike-out, and a pixel size that gives the
// record's height its LOGFONT meaning (positive: cell height, negative:
// character height, 0: a 16-pixel cell). Needs a QGuiApplication.
QFont MakeQFont(const CLogFont& font);

// A draw context painting with QPainter on a QImage, keeping the device
// context conventions of DrawContext.h to the pixel: 1-pixel pens are
// aliased and leave out a line's end pixel; wider pens are round-capped and
// antialiased, except in not-XOR mode, where antialiasing would keep a
// second drawing from restoring the picture exactly. Dotted and dashed pens
// leave their gaps untouched. Text is antialiased.
class CQImageDrawContext final : public CDrawContext {
public:
    // Paints on `target` until destroyed; the target must outlive the context
    // and must not be painted on otherwise meanwhile. Not-XOR is exact on
    // 32-bit and 24-bit RGB formats.
    explicit CQImageDrawContext(QImage& target);
    ~CQImageDrawContext() override;
    CQImageDrawContext(const CQImageDrawContext&) = delete;
    CQImageDrawContext& operator=(const CQImageDrawContext&) = delete;

    void SetPen(const CPen& pen) override { m_state.pen = pen; }
    void SetBrush(Brush brush) override { m_state.brush = brush; }
    void SetFont(const CLogFont& font) override { m_state.font = font; }
    void SetTextColor(COLORREF color) override { m_state.textColor = color; }
    void SetBackgroundMode(BackgroundMode mode) override { m_state.backgroundMode = mode; }
    void SetRasterMode(RasterMode mode) override { m_state.rasterMode = mode; }
    void SaveState() override;
    void RestoreState() override;
    void MoveTo(int x, int y) override { m_position = QPoint(x, y); }
    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void Arc(int left, int top, int right, int bottom, int startX, int startY, int endX,
             int endY) override;
    void SetPixel(int x, int y, COLORREF color) override;
    void TextOut(int x, int y, const QString& text) override;
    void DrawCenteredText(int left, int top, int right, int bottom, const QString& text) override;
    // Only the pixels inside the target are converted, so a picture much
    // larger than the target costs what the target's pixels cost.
    void StretchBitmap(int x, int y, int width, int height, const CBitmapView& source) override;

    // Copies `source` stretched onto the box at (x, y) of the given size,
    // each pixel taken from the nearest source pixel (no smoothing), whatever
    // the raster mode: how a picture is put under its measurements.
    void DrawImage(int x, int y, int width, int height, const QImage& source);

    // Text on a transparent background is then drawn from the cache's
    // layouts (on the same pixels); the cache must outlive the context.
    void UseShapedTextCache(CShapedTextCache* cache) { m_textCache = cache; }

private:
    // Sets the painter up for a figure and returns the offset that puts the
    // stroke's centre where its pixels belong.
    double PrepareStroke(bool filled);
    // Sets the painter up for text and returns the font's ascent.
    int PrepareText();
    // The cached layout of `text` when a cache is in use and the background
    // is transparent; null otherwise. After PrepareText.
    const CShapedTextCache::CShapedText* Shaped(const QString& text);
    void DrawShaped(const CShapedTextCache::CShapedText& shaped, QPoint baseline);
    // Paints each of the pixels once with the pen's colour and raster mode.
    void PaintPixels(std::vector<QPoint>& pixels);
    QRectF FigureBox(int left, int top, int right, int bottom, double offset) const;

    QPainter m_painter;
    QRect m_bounds; // the target's pixels
    // The target's pixels when they are 32-bit 0xAARRGGBB, which StretchBitmap
    // writes directly (QPainter paints at once, so nothing is pending); null
    // for other formats.
    std::uint8_t* m_pixels = nullptr;
    qsizetype m_bytesPerLine = 0;
    CDrawState m_state;
    std::vector<CDrawState> m_saved;
    QPoint m_position;
    // The Qt font made for m_fontRecord, rebuilt only when the record changes.
    CLogFont m_fontRecord;
    QFont m_font;
    int m_ascent = 0;
    bool m_fontMade = false;
    CShapedTextCache* m_textCache = nullptr;
};
