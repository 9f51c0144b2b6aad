#pragma once

#include "reports/ReportModel.h"
#include "reports/ResultRows.h"

#include <functional>
#include <vector>

#include <QByteArray>
#include <QString>

class CDib;
class QWidget;

// The last step of every report command, shared by the picture windows and
// the live window. GUI thread only.

// Makes the report's picture into `out`; returns an empty text, or the
// reason there is none.
using ReportPictureMaker = std::function<QString(CDib& out)>;

// Writes the report of `input` (its texts are taken from the export dialog's
// settings) to the export path, with the picture when input.picture is set.
// A failure is shown once with its reason, over `owner`, and leaves any file
// at the path untouched; a written report is opened with the desktop.
void WriteReportAndOpen(QWidget* owner, CReportInput input, const ReportPictureMaker& makePicture);

// Export to CSV: asks where (starting at `suggestedPath`), then writes the
// listed measurements whole, followed by `appendix` as it is; a failure is
// shown once over `owner`. Nothing happens when there is nothing to write or
// the dialog is cancelled.
void ExportCsvAsked(QWidget* owner, const QString& suggestedPath,
                    const std::vector<CResultValues>& listed, const CResultFormat& format,
                    const QByteArray& appendix = {});
