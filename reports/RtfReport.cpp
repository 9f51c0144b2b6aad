#include "reports/ReportPicture.h"
#include "reports/ReportWriters.h"

#include <algorithm>

namespace {

constexpr int kTwipsPerPoint = 20;
constexpr int kPageWidth = 11906; // A4, twips
constexpr int kPageHeight = 16838;
constexpr int kMargin = static_cast<int>(kReportMarginPoints) * kTwipsPerPoint;
constexpr int kTextWidth = kPageWidth - 2 * kMargin;
constexpr int kTwipsPerPixel = 15; // at 96 pixels per inch

// Plain text as RTF: the three special characters escaped, line breaks and
// tabs as control words, everything past ASCII as \u with a '?' fallback
// (UTF-16 units, so characters past the BMP become surrogate pairs).
QByteArray Rtf(const QString& text) {
    QByteArray out;
    const QString clean = CleanReportText(text, text.size());
    out.reserve(clean.size());
    for (const QChar c : clean) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u == u'\n') {
            out += "\\line ";
        } else if (u == u'\t') {
            out += "\\tab ";
        } else if (u == u'\r') {
            continue;
        } else if (u >= 0x20 && u < 0x7f) {
            out += static_cast<char>(u);
        } else {
            out += "\\u" + QByteArray::number(static_cast<qint16>(u)) + '?';
        }
    }
    return out;
}

QByteArray Paragraph(const char* alignment, int points, const QByteArray& body) {
    return QByteArray("\\pard\\") + alignment + "\\f0\\fs" + QByteArray::number(points * 2) + ' ' +
           body + "\\par\n";
}

// A table of equal columns across the text width; the measurements' table
// sets its first cell smaller, as the report always had it.
QByteArray Table(const std::vector<QStringList>& rows, bool smallFirstCell) {
    const int columns = static_cast<int>(rows.front().size());
    const int cellWidth = kTextWidth / columns;
    QByteArray row = "\\trowd\\trqc\\trgaph108";
    for (int c = 1; c <= columns; ++c) {
        row += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
               "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10\\cellx" +
               QByteArray::number(c * cellWidth);
    }
    row += '\n';
    QByteArray out;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        out += row;
        for (int c = 0; c < columns; ++c) {
            const int points = smallFirstCell && r == 0 && c == 0 ? 10 : 12;
            out += "\\pard\\intbl\\qc\\f0\\fs" + QByteArray::number(points * 2) + ' ' +
                   Rtf(rows[r].value(c)) + "\\cell\n";
        }
        out += "\\row\n";
    }
    return out;
}

// The picture at its size at 96 pixels per inch, made smaller to fit
// between the margins.
QByteArray Picture(const QByteArray& png) {
    int width = 0;
    int height = 0;
    if (!PngSize(png, width, height)) {
        return {};
    }
    qint64 goalWidth = static_cast<qint64>(width) * kTwipsPerPixel;
    qint64 goalHeight = static_cast<qint64>(height) * kTwipsPerPixel;
    if (goalWidth > kTextWidth) {
        goalHeight = std::max<qint64>(1, goalHeight * kTextWidth / goalWidth);
        goalWidth = kTextWidth;
    }
    QByteArray out = "\\pard\\qc {\\pict\\pngblip\\picw" + QByteArray::number(width) + "\\pich" +
                     QByteArray::number(height) + "\\picwgoal" + QByteArray::number(goalWidth) +
                     "\\pichgoal" + QByteArray::number(goalHeight) + '\n';
    const QByteArray hex = png.toHex();
    constexpr qsizetype kLine = 128;
    out.reserve(out.size() + hex.size() + hex.size() / kLine + 16);
    for (qsizetype at = 0; at < hex.size(); at += kLine) {
        out += QByteArrayView(hex).sliced(at, std::min(kLine, hex.size() - at));
        out += '\n';
    }
    return out + "}\\par\n";
}

} // namespace

CReportBytes WriteRtfReport(const CDocumentReport& document, const QByteArray& png) {
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
                     "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\n"
                     "\\paperw" +
                     QByteArray::number(kPageWidth) + "\\paperh" + QByteArray::number(kPageHeight);
    for (const char* side : {"\\margl", "\\margr", "\\margt", "\\margb"}) {
        out += side + QByteArray::number(kMargin);
    }
    out += '\n';
    out += Paragraph("qj", 12, Rtf(document.heading));
    out += Paragraph("qj", 12, Rtf(document.company));
    out += Paragraph("qj", 12, Rtf(document.author));
    out += Paragraph("qj", 12,
                     QByteArray("{\\*\\bkmkstart ") + kReportBookmark + '}' +
                         Rtf(document.calibrator) + "{\\*\\bkmkend " + kReportBookmark + '}');
    out += Paragraph("qr", 10, Rtf(document.date));
    if (!document.rows.empty()) {
        out += Table(DocumentRows(document), true);
    }
    if (!document.summary.empty()) {
        out += Paragraph("qj", 12, QByteArray()) + Table(document.summary, false);
    }
    if (!document.particles.empty()) {
        out += Paragraph("qj", 12, QByteArray()) + Table(document.particles, false);
    }
    if (document.picture && !png.isEmpty()) {
        out += Picture(png);
    }
    out += "}\n";
    return {out, {}};
}
