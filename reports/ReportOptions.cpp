#include "reports/ReportOptions.h"

#include <QSettings>

namespace {

const QString kKey = QStringLiteral("Reports/StatisticsSummary");

} // namespace

bool ReportSummaryWanted() {
    return QSettings(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"))
        .value(kKey, false)
        .toBool();
}

void SetReportSummaryWanted(bool wanted) {
    QSettings(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo")).setValue(kKey, wanted);
}
