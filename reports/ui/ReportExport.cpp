#include "reports/ui/ReportExport.h"

#include "core/FileWriting.h"
#include "core/Language.h"
#include "framework/ui/DesktopOpener.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/StatusBar.h"
#include "image/Dib.h"
#include "reports/CsvReport.h"
#include "reports/ExportSettings.h"
#include "reports/ReportFiles.h"

#include <QApplication>
#include <QUrl>

void WriteReportAndOpen(QWidget* owner, CReportInput input, const ReportPictureMaker& makePicture) {
    const QString path = g_exportSettings.path;
    input.texts = {g_exportSettings.title, g_exportSettings.company, g_exportSettings.author};

    QApplication::setOverrideCursor(Qt::WaitCursor);
    CDib picture;
    QString error;
    if (input.picture) {
        error = makePicture ? makePicture(picture)
                            : QStringLiteral("The picture for the report could not be made.");
    }
    if (error.isEmpty()) {
        error = WriteReportFile(path, input, input.picture ? &picture : nullptr);
    }
    QApplication::restoreOverrideCursor();
    if (!error.isEmpty()) {
        ShowMessageBox(owner, error, QString(), QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    CStatusBar::ShowSavedFileIn(owner, path);
    OpenWithDesktop(QUrl::fromLocalFile(path));
}

void ExportCsvAsked(QWidget* owner, const QString& suggestedPath,
                    const std::vector<CResultValues>& listed, const CResultFormat& format,
                    const QByteArray& appendix) {
    if (listed.empty() && appendix.isEmpty()) {
        return;
    }
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::Save;
    request.title = GetLanguageString("ExportCsv", QStringLiteral("Export to CSV"), 128);
    request.filters = {QStringLiteral("CSV Files (*.csv *.CSV)")};
    request.defaultSuffix = QStringLiteral("csv");
    request.path = suggestedPath;
    const std::optional<FileDialogAnswer> answer = RunFileDialog(owner, request);
    if (!answer) {
        return;
    }
    if (!WriteFileWhole(answer->path, BuildCsvReport(listed, format) + appendix)) {
        ShowMessageBox(owner, QStringLiteral("ERROR\ncannot write \"%1\"").arg(answer->path),
                       QString(), QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    CStatusBar::ShowSavedFileIn(owner, answer->path);
}
