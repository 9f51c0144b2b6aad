#include "document/ui/CLOBRINDoc.h"
#include "reports/ExportSettings.h"
#include "reports/ResultRows.h"
#include "reports/ui/CExportDlg.h"
#include "reports/ui/ReportExport.h"
#include "shapes/Shape.h"

#include <vector>

#include <QFileInfo>

void CLOBRINDoc::OnExportReport(bool spreadsheet) {
    if (!m_model.HasPicture()) {
        return;
    }
    CExportDlg dialog(spreadsheet ? CExportDlg::Mode::Excel : CExportDlg::Mode::Word,
                      DialogOwner());
    if (dialog.exec() != QDialog::Accepted || m_model.Shapes().IsEmpty()) {
        return;
    }
    if (spreadsheet && g_exportSettings.selective) {
        emit selectiveExportRequested();
        return;
    }
    if (spreadsheet) {
        m_model.MarkAllShapesForExport();
    }
    WriteReport();
}

void CLOBRINDoc::ExportMarkedReport() {
    if (m_model.HasPicture() && !m_model.Shapes().IsEmpty()) {
        WriteReport();
    }
}

void CLOBRINDoc::WriteReport() {
    CReportInput input = CurrentReportInput(ReportSource::Still);
    std::vector<const CShape*> shapes;
    for (const auto& shape : m_model.Shapes().Shapes()) {
        shapes.push_back(shape.get());
    }
    input.items = StillReportItems(shapes);
    WriteReportAndOpen(DialogOwner(), std::move(input), [this](CDib& picture) {
        return m_model.MakeExportPicture(CPictureExportOptions::FromSettings(), picture) ==
                       PictureWriteResult::Written
                   ? QString()
                   : QStringLiteral("The picture for the report could not be made.");
    });
}

void CLOBRINDoc::OnExportCsv() {
    if (!m_model.HasPicture()) {
        return;
    }
    std::vector<const CShape*> shapes;
    for (const auto& shape : m_model.Shapes().Shapes()) {
        shapes.push_back(shape.get());
    }
    const QString suggested = pathName().isEmpty() ? QString()
                                                   : QFileInfo(pathName()).absolutePath() + u'/' +
                                                         QFileInfo(pathName()).completeBaseName() +
                                                         QStringLiteral(".csv");
    const CResultFormat format = CurrentResultFormat();
    ExportCsvAsked(DialogOwner(), suggested, StillResultValues(shapes, format), format);
}
