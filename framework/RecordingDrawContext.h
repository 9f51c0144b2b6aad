#pragma once

#include "framework/DrawContext.h"

#include <vector>

#include <QPoint>
#include <QStringList>

// A draw context that draws nothing and keeps every call, so tests can check
// what a drawing function drew, with which pen, font and colours, and that it
// left the context as it found it.

enum class DrawCall {
    SetPen,
    SetBrush,
    SetFont,
    SetTextColor,
    SetBackgroundMode,
    SetRasterMode,
    SaveState,
    RestoreState,
    MoveTo,
    LineTo,
    Rectangle,
    Ellipse,
    Arc,
    SetPixel,
    TextOut,
    DrawCenteredText,
    StretchBitmap,
};

struct CDrawRecord {
    DrawCall call = DrawCall::MoveTo;
    // MoveTo, LineTo: the target; SetPixel: the pixel; TextOut: the top-left.
    QPoint point;
    // LineTo: the current position the line started from.
    QPoint from;
    // Rectangle, Ellipse, Arc, DrawCenteredText: the box as passed;
    // StretchBitmap: the target box (x, y, x + width, y + height).
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    // Arc: the start and end radial points.
    QPoint start;
    QPoint end;
    COLORREF color = 0; // SetPixel
    QString text;       // TextOut, DrawCenteredText
    // StretchBitmap: the source picture's size and depth.
    int sourceWidth = 0;
    int sourceHeight = 0;
    int sourceBitsPerPixel = 0;
    // The selected objects and modes after the call: what a figure or text
    // was drawn with.
    CDrawState state;
};

class CRecordingDrawContext final : public CDrawContext {
public:
    void SetPen(const CPen& pen) override;
    void SetBrush(Brush brush) override;
    void SetFont(const CLogFont& font) override;
    void SetTextColor(COLORREF color) override;
    void SetBackgroundMode(BackgroundMode mode) override;
    void SetRasterMode(RasterMode mode) override;
    void SaveState() override;
    void RestoreState() override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void Arc(int left, int top, int right, int bottom, int startX, int startY, int endX,
             int endY) override;
    void SetPixel(int x, int y, COLORREF color) override;
    void TextOut(int x, int y, const QString& text) override;
    void DrawCenteredText(int left, int top, int right, int bottom, const QString& text) override;
    void StretchBitmap(int x, int y, int width, int height, const CBitmapView& source) override;

    const std::vector<CDrawRecord>& Records() const { return m_records; }
    // The records of one kind of call, in call order.
    std::vector<CDrawRecord> Calls(DrawCall call) const;
    // The strings of TextOut and DrawCenteredText, in call order.
    QStringList Texts() const;
    // The current selection, and how many saved states are waiting to be
    // restored; a balanced drawing function leaves both as it found them.
    const CDrawState& State() const { return m_state; }
    int SavedDepth() const { return static_cast<int>(m_saved.size()); }
    // RestoreState calls made with nothing saved.
    int UnmatchedRestores() const { return m_unmatchedRestores; }
    // Forgets the records; the state, saved states and position stay.
    void ClearRecords() { m_records.clear(); }

private:
    CDrawRecord& Record(DrawCall call);
    CDrawRecord& RecordBox(DrawCall call, int left, int top, int right, int bottom);

    std::vector<CDrawRecord> m_records;
    CDrawState m_state;
    std::vector<CDrawState> m_saved;
    QPoint m_position;
    int m_unmatchedRestores = 0;
};
