#include "reports/ui/LiveReportFlow.h"

#include "camera/FramePipeline.h"
#include "camera/VideoShape.h"
#include "core/Folders.h"
#include "core/Parameters.h"
#include "framework/QImageDrawSurface.h"
#include "image/Dib.h"
#include "reports/ExportSettings.h"
#include "reports/LiveReportPicture.h"
#include "reports/ResultRows.h"
#include "reports/ui/CExportDlg.h"
#include "reports/ui/ReportExport.h"
#include "reports/ui/SelectionButtons.h"

#include <vector>

#include <QPointer>

namespace {

// The live measurements the report lists: the marked ones for a workbook,
// all of them for a document.
std::vector<CVideoShap> ReportedShapes(bool markedOnly) {
    std::vector<CVideoShap> shapes;
    for (const auto& shape : g_liveShapes.shapes) {
        if (shape && (!markedOnly || shape->marked == 1)) {
            shapes.push_back(*shape);
        }
    }
    return shapes;
}

void WriteLiveReport(QWidget* view, bool spreadsheet) {
    CReportInput input = CurrentReportInput(ReportSource::Live);
    input.items = LiveReportItems(g_liveShapes.shapes);
    WriteReportAndOpen(view, std::move(input), [spreadsheet](CDib& picture) {
        const std::optional<CStillFrame> frame = TakeFrameCopy();
        if (!frame) {
            return QStringLiteral("There is no camera picture for the report yet.");
        }
        return MakeLiveReportPicture(*frame, ReportedShapes(spreadsheet),
                                     g_parameters.saveoption2 == 1, QImageSurfaceFactory(),
                                     picture);
    });
}

bool AskExportSettings(QWidget* view, CExportDlg::Mode mode) {
    CExportDlg dialog(mode, view);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

void ExportLiveToSpreadsheet(QWidget* view) {
    if (!AskExportSettings(view, CExportDlg::Mode::Excel)) {
        return;
    }
    if (g_exportSettings.selective) {
        const QPointer<QWidget> guarded(view);
        ShowSelectionButtons(
            view,
            [] {
                if (!g_liveShapes.shapes.empty() && g_liveShapes.shapes.back()) {
                    g_liveShapes.shapes.back()->marked = 1;
                }
            },
            [guarded] {
                if (guarded) {
                    WriteLiveReport(guarded, true);
                }
            });
        return;
    }
    for (const auto& shape : g_liveShapes.shapes) {
        if (shape) {
            shape->marked = 1;
        }
    }
    WriteLiveReport(view, true);
}

void ExportLiveToDocument(QWidget* view) {
    if (!AskExportSettings(view, CExportDlg::Mode::Word) || g_liveShapes.shapes.empty()) {
        return;
    }
    WriteLiveReport(view, false);
}

void RemoveLiveSelectionButtons(QWidget* view) {
    RemoveSelectionButtons(view);
}

void ExportLiveToCsv(QWidget* view) {
    const CResultFormat format = CurrentResultFormat();
    const QString suggested = g_folders.snapshotFolder.isEmpty()
                                  ? QString()
                                  : g_folders.snapshotFolder + QStringLiteral("/measurements.csv");
    ExportCsvAsked(view, suggested, LiveResultValues(g_liveShapes.shapes, format), format);
}
