#pragma once

#include "framework/Colorref.h"
#include "framework/LogFont.h"

#include <cstddef>
#include <cstdint>
#include <tuple>

#include <QString>

// The drawing surface that shapes, their labels and the live overlay draw on.
// It follows the conventions of a Windows device context, so figures land on
// the same pixels as the pictures users already know:
// - coordinates are integer device pixels, x to the right, y downwards;
// - a box (left, top, right, bottom) excludes its right column and bottom row;
// - LineTo draws from the current position and leaves out its end pixel;
// - lines, rectangles, ellipses and arcs use the selected pen and raster mode;
//   text and single pixels ignore the raster mode;
// - text is placed by the top-left corner of its character cell.
// A context is used by one thread at a time.

enum class PenStyle { Solid, Dot, Dash };

struct CPen {
    PenStyle style = PenStyle::Solid;
    int width = 1; // device pixels; 0 and below draw as 1
    COLORREF color = 0;
    bool operator==(const CPen&) const = default;
};

// Rectangles and ellipses are filled with the brush; the device's initial
// brush is solid white, the hollow brush fills nothing.
enum class Brush { White, Hollow };

// Opaque text is drawn on a white box of its cell; transparent text leaves
// what is beneath it.
enum class BackgroundMode { Opaque, Transparent };

// NotXorPen replaces each pixel by the complement of (pen colour XOR pixel):
// drawing the same figure twice restores the picture, which rubber-band
// previews rely on.
enum class RasterMode { CopyPen, NotXorPen };

// The objects and modes a context has selected. A fresh context starts from
// these values, as a new device context does.
struct CDrawState {
    CPen pen;
    Brush brush = Brush::White;
    CLogFont font;
    COLORREF textColor = 0;
    BackgroundMode backgroundMode = BackgroundMode::Opaque;
    RasterMode rasterMode = RasterMode::CopyPen;
};

// Every field of the two font records is equal.
inline bool SameFont(const CLogFont& a, const CLogFont& b) {
    const auto fields = [](const CLogFont& f) {
        return std::tie(f.height, f.width, f.escapement, f.orientation, f.weight, f.italic,
                        f.underline, f.strikeOut, f.charSet, f.outPrecision, f.clipPrecision,
                        f.quality, f.pitchAndFamily, f.faceName);
    };
    return fields(a) == fields(b);
}

inline bool operator==(const CDrawState& a, const CDrawState& b) {
    return a.pen == b.pen && a.brush == b.brush && SameFont(a.font, b.font) &&
           a.textColor == b.textColor && a.backgroundMode == b.backgroundMode &&
           a.rasterMode == b.rasterMode;
}

// A picture in device-independent layout, for StretchBitmap: rows stored
// bottom-up (the first stored row is the picture's bottom row), each `stride`
// bytes; 24 bits per pixel as blue, green, red, or 8 bits indexing `palette`
// (entries of 4 bytes: blue, green, red, unused; indices past its end are
// black). The view does not own the bytes.
struct CBitmapView {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 24; // 24 or 8
    std::size_t stride = 0;
    const std::uint8_t* bits = nullptr;
    const std::uint8_t* palette = nullptr;
    int paletteSize = 0;
};

class CDrawContext {
public:
    virtual ~CDrawContext() = default;

    // Selecting objects. Pens and fonts are values: nothing to create or
    // delete. The font's height follows LOGFONT: positive is the cell height
    // (ascent + descent), negative the character height, in pixels.
    virtual void SetPen(const CPen& pen) = 0;
    virtual void SetBrush(Brush brush) = 0;
    virtual void SetFont(const CLogFont& font) = 0;
    virtual void SetTextColor(COLORREF color) = 0;
    virtual void SetBackgroundMode(BackgroundMode mode) = 0;
    virtual void SetRasterMode(RasterMode mode) = 0;

    // SaveState pushes the whole CDrawState, RestoreState pops the last one
    // saved (and does nothing when none is). Prefer CDrawStateGuard.
    virtual void SaveState() = 0;
    virtual void RestoreState() = 0;

    virtual void MoveTo(int x, int y) = 0;
    // A line from the current position to (x, y), without its end pixel for
    // a 1-pixel pen; (x, y) becomes the current position.
    virtual void LineTo(int x, int y) = 0;
    // Outline with the pen, inside filled with the brush; for a 1-pixel pen
    // the outline runs on columns left..right-1 and rows top..bottom-1.
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    // The ellipse inscribed in the box, within the same pixels as Rectangle.
    virtual void Ellipse(int left, int top, int right, int bottom) = 0;
    // Part of the box's ellipse, drawn counter-clockwise (as seen on screen)
    // from where the ray from the centre through (startX, startY) meets it to
    // where the ray through (endX, endY) does; equal rays give the whole
    // ellipse.
    virtual void Arc(int left, int top, int right, int bottom, int startX, int startY, int endX,
                     int endY) = 0;
    virtual void SetPixel(int x, int y, COLORREF color) = 0;
    // One line of text in the selected font and text colour, the top-left
    // corner of its character cell at (x, y).
    virtual void TextOut(int x, int y, const QString& text) = 0;
    // One line of text centred between left and right, its cell's top at
    // top; text wider than the box runs past it rather than being cut.
    virtual void DrawCenteredText(int left, int top, int right, int bottom,
                                  const QString& text) = 0;
    // Copies `source` stretched onto the box of width × height pixels whose
    // top-left corner is (x, y), each pixel taken from the nearest source
    // pixel (no smoothing), whatever the raster mode: how a picture is put
    // under its measurements. Source formats other than 24 and 8 bits, and
    // empty boxes, draw nothing.
    virtual void StretchBitmap(int x, int y, int width, int height, const CBitmapView& source) = 0;

    // A segment from (x1, y1) towards (x2, y2), leaving the current position
    // at (x2, y2).
    void Line(int x1, int y1, int x2, int y2) {
        MoveTo(x1, y1);
        LineTo(x2, y2);
    }
};

// Saves the selected objects and modes for its lifetime, so every way out of
// a drawing function leaves the context as it found it.
class CDrawStateGuard {
public:
    explicit CDrawStateGuard(CDrawContext& dc)
        : m_dc(dc) {
        m_dc.SaveState();
    }
    ~CDrawStateGuard() { m_dc.RestoreState(); }
    CDrawStateGuard(const CDrawStateGuard&) = delete;
    CDrawStateGuard& operator=(const CDrawStateGuard&) = delete;

private:
    CDrawContext& m_dc;
};
