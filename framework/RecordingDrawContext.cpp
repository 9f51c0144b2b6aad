#include "framework/RecordingDrawContext.h"

CDrawRecord& CRecordingDrawContext::Record(DrawCall call) {
    CDrawRecord& record = m_records.emplace_back();
    record.call = call;
    record.state = m_state;
    return record;
}

CDrawRecord& CRecordingDrawContext::RecordBox(DrawCall call, int left, int top, int right,
                                              int bottom) {
    CDrawRecord& record = Record(call);
    record.left = left;
    record.top = top;
    record.right = right;
    record.bottom = bottom;
    return record;
}

void CRecordingDrawContext::SetPen(const CPen& pen) {
    m_state.pen = pen;
    Record(DrawCall::SetPen);
}

void CRecordingDrawContext::SetBrush(Brush brush) {
    m_state.brush = brush;
    Record(DrawCall::SetBrush);
}

void CRecordingDrawContext::SetFont(const CLogFont& font) {
    m_state.font = font;
    Record(DrawCall::SetFont);
}

void CRecordingDrawContext::SetTextColor(COLORREF color) {
    m_state.textColor = color;
    Record(DrawCall::SetTextColor);
}

void CRecordingDrawContext::SetBackgroundMode(BackgroundMode mode) {
    m_state.backgroundMode = mode;
    Record(DrawCall::SetBackgroundMode);
}

void CRecordingDrawContext::SetRasterMode(RasterMode mode) {
    m_state.rasterMode = mode;
    Record(DrawCall::SetRasterMode);
}

void CRecordingDrawContext::SaveState() {
    m_saved.push_back(m_state);
    Record(DrawCall::SaveState);
}

void CRecordingDrawContext::RestoreState() {
    if (m_saved.empty()) {
        ++m_unmatchedRestores;
    } else {
        m_state = m_saved.back();
        m_saved.pop_back();
    }
    Record(DrawCall::RestoreState);
}

void CRecordingDrawContext::MoveTo(int x, int y) {
    m_position = QPoint(x, y);
    Record(DrawCall::MoveTo).point = m_position;
}

void CRecordingDrawContext::LineTo(int x, int y) {
    CDrawRecord& record = Record(DrawCall::LineTo);
    record.from = m_position;
    record.point = QPoint(x, y);
    m_position = record.point;
}

void CRecordingDrawContext::Rectangle(int left, int top, int right, int bottom) {
    RecordBox(DrawCall::Rectangle, left, top, right, bottom);
}

void CRecordingDrawContext::Ellipse(int left, int top, int right, int bottom) {
    RecordBox(DrawCall::Ellipse, left, top, right, bottom);
}

void CRecordingDrawContext::Arc(int left, int top, int right, int bottom, int startX, int startY,
                                int endX, int endY) {
    CDrawRecord& record = RecordBox(DrawCall::Arc, left, top, right, bottom);
    record.start = QPoint(startX, startY);
    record.end = QPoint(endX, endY);
}

void CRecordingDrawContext::SetPixel(int x, int y, COLORREF color) {
    CDrawRecord& record = Record(DrawCall::SetPixel);
    record.point = QPoint(x, y);
    record.color = color;
}

void CRecordingDrawContext::TextOut(int x, int y, const QString& text) {
    CDrawRecord& record = Record(DrawCall::TextOut);
    record.point = QPoint(x, y);
    record.text = text;
}

void CRecordingDrawContext::DrawCenteredText(int left, int top, int right, int bottom,
                                             const QString& text) {
    RecordBox(DrawCall::DrawCenteredText, left, top, right, bottom).text = text;
}

void CRecordingDrawContext::StretchBitmap(int x, int y, int width, int height,
                                          const CBitmapView& source) {
    CDrawRecord& record = RecordBox(DrawCall::StretchBitmap, x, y, x + width, y + height);
    record.sourceWidth = source.width;
    record.sourceHeight = source.height;
    record.sourceBitsPerPixel = source.bitsPerPixel;
}

std::vector<CDrawRecord> CRecordingDrawContext::Calls(DrawCall call) const {
    std::vector<CDrawRecord> found;
    for (const CDrawRecord& record : m_records) {
        if (record.call == call) {
            found.push_back(record);
        }
    }
    return found;
}

QStringList CRecordingDrawContext::Texts() const {
    QStringList texts;
    for (const CDrawRecord& record : m_records) {
        if (record.call == DrawCall::TextOut || record.call == DrawCall::DrawCenteredText) {
            texts.append(record.text);
        }
    }
    return texts;
}
