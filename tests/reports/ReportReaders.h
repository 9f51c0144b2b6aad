#pragma once

#include <map>
#include <optional>
#include <utility>
#include <variant>

#include <QByteArray>
#include <QString>
#include <QStringList>

// Independent readers of the report files, so that the tests check what a
// reading program finds rather than what the writers meant to write.

// One entry of a zip file; empty when missing or unreadable.
QByteArray ZipEntry(const QString& zipPath, const char* name);
QStringList ZipNames(const QString& zipPath);

// One stream of a compound file, following its sector chains; none when the
// file or the stream cannot be read.
std::optional<QByteArray> CompoundFileStream(const QByteArray& file, const QString& name);

using SheetValue = std::variant<std::monostate, QString, double>;
using SheetCells = std::map<std::pair<int, int>, SheetValue>; // (row, column)

// What a binary workbook's records hold: the cells of the sheet (shared
// strings resolved), the picture anchor and the picture's bitmap size.
struct CXlsContent {
    SheetCells cells;
    int anchorRow = -1;
    int anchorColumn = -1;
    int pictureWidth = 0;
    int pictureHeight = 0;
};
std::optional<CXlsContent> ReadXls(const QString& path);

// The cells of sheet 1 of an .xlsx, shared strings resolved.
SheetCells ReadXlsxCells(const QString& path);

// The text of an RTF file with groups marked ignorable (\*) left out, the
// escapes and \u characters decoded, \par, \cell and \row as line feed, tab
// and "|"; nullopt when the braces do not balance.
std::optional<QString> RtfPlainText(const QByteArray& rtf);
