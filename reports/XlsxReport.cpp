#include "reports/ReportWriters.h"

#include <xlsxwriter.h>

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

namespace {

QString LibraryError(const char* step, lxw_error error) {
    return QStringLiteral("The workbook could not be %1: %2.")
        .arg(QString::fromLatin1(step), QString::fromUtf8(lxw_strerror(error)));
}

} // namespace

CReportBytes WriteXlsxReport(const CSheetReport& sheet, const QByteArray& png) {
    // The library writes to a file by name: it gets one in the temporary
    // folder, and only the finished bytes go to the user's file.
    QTemporaryFile scratch(QDir::temp().filePath(QStringLiteral("marnelo-report-XXXXXX.xlsx")));
    if (!scratch.open()) {
        return {{}, QStringLiteral("No temporary file could be made for the workbook.")};
    }
    scratch.close();
    const QByteArray scratchName = QFile::encodeName(scratch.fileName());
    const QByteArray tempDir = QFile::encodeName(QDir::tempPath());
    lxw_workbook_options options{};
    options.tmpdir = const_cast<char*>(tempDir.constData());
    lxw_workbook* workbook = workbook_new_opt(scratchName.constData(), &options);
    if (workbook == nullptr) {
        return {{}, QStringLiteral("The workbook could not be created.")};
    }
    lxw_worksheet* worksheet = workbook_add_worksheet(workbook, "Sheet1");
    lxw_error error = worksheet == nullptr ? LXW_ERROR_MEMORY_MALLOC_FAILED : LXW_NO_ERROR;
    for (const CSheetCell& cell : sheet.cells) {
        if (error != LXW_NO_ERROR) {
            break;
        }
        const auto row = static_cast<lxw_row_t>(cell.row);
        const auto column = static_cast<lxw_col_t>(cell.column);
        if (cell.number) {
            error = worksheet_write_number(worksheet, row, column, *cell.number, nullptr);
        } else {
            const QByteArray text = CleanReportText(cell.text).toUtf8();
            error = worksheet_write_string(worksheet, row, column, text.constData(), nullptr);
        }
    }
    if (error == LXW_NO_ERROR && sheet.pictureRow >= 0 && !png.isEmpty()) {
        lxw_image_options picture{};
        picture.x_scale = 1.0;
        picture.y_scale = 1.0;
        error = worksheet_insert_image_buffer_opt(
            worksheet, static_cast<lxw_row_t>(sheet.pictureRow), 0,
            reinterpret_cast<const unsigned char*>(png.constData()),
            static_cast<size_t>(png.size()), &picture);
    }
    // Closing frees the workbook whether or not it was written.
    const lxw_error closed = workbook_close(workbook);
    if (error != LXW_NO_ERROR) {
        return {{}, LibraryError("filled", error)};
    }
    if (closed != LXW_NO_ERROR) {
        return {{}, LibraryError("saved", closed)};
    }
    QFile written(scratch.fileName());
    if (!written.open(QIODevice::ReadOnly)) {
        return {{},
                QStringLiteral("The workbook could not be read back from the temporary folder.")};
    }
    return {written.readAll(), {}};
}
