#include "framework/ShapedTextCache.h"

#include "framework/DrawContext.h"

#include <QFontMetrics>
#include <QTextLayout>

const CShapedTextCache::CShapedText& CShapedTextCache::Get(const CLogFont& record,
                                                           const QFont& font, const QString& text) {
    if (!m_hasRecord || !SameFont(m_record, record)) {
        m_texts.clear();
        m_record = record;
        m_hasRecord = true;
    }
    if (const auto found = m_texts.constFind(text); found != m_texts.cend()) {
        return *found;
    }
    if (m_texts.size() >= kMaxTexts) {
        m_texts.clear(); // labels change with the measurements: start again
    }
    CShapedText shaped;
    QTextLayout layout(text, font);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (line.isValid()) {
        line.setPosition(QPointF(0, 0));
        shaped.runs = layout.glyphRuns();
        shaped.ascent = line.ascent();
    }
    shaped.advance = QFontMetrics(font).horizontalAdvance(text);
    return *m_texts.insert(text, std::move(shaped));
}
