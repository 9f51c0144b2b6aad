#include "reports/ReportExport.h"

#include "framework/DesktopOpener.h"
#include "framework/MessageBox.h"
#include "image/Dib.h"
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
    OpenWithDesktop(QUrl::fromLocalFile(path));
}
