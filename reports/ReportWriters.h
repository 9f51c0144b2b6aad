#pragma once

#include "reports/ReportModel.h"

#include <QByteArray>
#include <QString>

// The report files, each laid out from the report model. A writer returns
// the whole file in memory, or an empty array and a reason in `error`;
// ReportFiles.h puts the bytes on disk. The picture (PNG for the zipped
// formats and RTF, a 24-bit bitmap for the binary workbook) may be empty.

struct CReportBytes {
    QByteArray bytes;
    QString error; // empty on success
};

// Office Open XML workbook, sheet "Sheet1".
CReportBytes WriteXlsxReport(const CSheetReport& sheet, const QByteArray& png);
// Binary (97-2003) workbook in a compound file.
CReportBytes WriteXlsReport(const CSheetReport& sheet, const QByteArray& dib);
// Office Open XML document.
CReportBytes WriteDocxReport(const CDocumentReport& document, const QByteArray& png);
// Rich Text document.
CReportBytes WriteRtfReport(const CDocumentReport& document, const QByteArray& png);

// A text as every report file may hold it: characters XML 1.0 forbids
// (control characters other than tab, line feed and carriage return,
// unpaired surrogates, U+FFFE and U+FFFF) are dropped, and the text is cut
// to `limit` UTF-16 units without splitting a surrogate pair.
QString CleanReportText(const QString& text, qsizetype limit = 32767);
