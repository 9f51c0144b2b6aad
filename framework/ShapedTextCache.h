#pragma once

#include "framework/LogFont.h"

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QString>

// Text laid out once and drawn again from its glyphs, for a painter that puts
// the same labels on every frame: laying text out costs more than drawing
// it. The glyphs land on the same pixels as drawing the text directly. One
// thread uses a cache; it keeps the texts of one font at a time.
class CShapedTextCache {
public:
    struct CShapedText {
        QList<QGlyphRun> runs; // positions from the line's top-left corner
        qreal ascent = 0;      // of the laid-out line
        int advance = 0;       // as QFontMetrics::horizontalAdvance gives it
    };

    // The layout of `text` in `font`, made from the record `record`.
    const CShapedText& Get(const CLogFont& record, const QFont& font, const QString& text);

private:
    static constexpr qsizetype kMaxTexts = 512;

    CLogFont m_record;
    bool m_hasRecord = false;
    QHash<QString, CShapedText> m_texts;
};
