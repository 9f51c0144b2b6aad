#pragma once

#include "reports/ReportModel.h"

#include <optional>

#include <QString>

class CDib;

// Writing a report file of the kind its name asks for.

enum class ReportFileKind { Xlsx, Xls, Docx, Doc };

// The kind named by the file's extension (any case); none for any other.
std::optional<ReportFileKind> ReportFileKindOf(const QString& path);

inline bool IsSpreadsheet(ReportFileKind kind) {
    return kind == ReportFileKind::Xlsx || kind == ReportFileKind::Xls;
}

// The path a report of the given family is written to: kept when its
// extension names a kind of that family, otherwise given the family's
// default extension (".xls" or ".doc"), as a file dialog appends one.
QString ReportPathForFamily(const QString& path, bool spreadsheet);

// Builds the report of `input` for the kind of `path` (the spreadsheet from
// the marked items, the document from all), embeds `picture` when
// input.picture is set and a picture is given, and writes the file whole:
// a failure leaves any file at `path` untouched. Returns an empty text on
// success, otherwise the reason in one sentence.
QString WriteReportFile(const QString& path, const CReportInput& input, const CDib* picture);
