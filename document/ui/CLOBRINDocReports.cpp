#include "analysis/particles/ParticleCsv.h"
#include "analysis/ui/ParticleReportPicture.h"
#include "document/ui/CLOBRINDoc.h"
#include "reports/ExportSettings.h"
#include "reports/ParticleResults.h"
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
    const CParticleResult particles =
        ParticleResultOf(shapes, input.conversion, input.unit.toStdString());
    input.particleRows = ParticleReportRows(particles, input.decimals);
    // The particles' distribution is part of the report's picture, so a
    // report of particles always has one.
    const bool withPicture = input.picture;
    input.picture = input.picture || !particles.particles.empty();
    WriteReportAndOpen(
        DialogOwner(), std::move(input), [this, withPicture, &particles](CDib& picture) {
            if (withPicture && m_model.MakeExportPicture(CPictureExportOptions::FromSettings(),
                                                         picture) != PictureWriteResult::Written) {
                return QStringLiteral("The picture for the report could not be made.");
            }
            AppendParticleHistogram(picture, particles);
            return QString();
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
    const CParticleResult particles =
        ParticleResultOf(shapes, format.conversion, format.unit.toStdString());
    // The particles follow the measurements after an empty line.
    const QByteArray particleCsv =
        particles.particles.empty()
            ? QByteArray()
            : QByteArray("\r\n") + QByteArray::fromStdString(ParticleCsv(particles));
    ExportCsvAsked(DialogOwner(), suggested, StillResultValues(shapes, format), format,
                   particleCsv);
}
