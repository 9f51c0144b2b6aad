#include "cli/CliParticleReport.h"

#include "analysis/particles/ParticleCsv.h"
#include "analysis/particles/ParticleStats.h"
#include "core/FileWriting.h"
#include "core/Language.h"
#include "reports/ReportFiles.h"
#include "reports/ReportPicture.h"
#include "reports/ReportWriters.h"

#include <array>
#include <charconv>

#include <QFileInfo>

namespace {

constexpr std::array<ParticleQuantity, kParticleQuantityCount> kColumns = {
    ParticleQuantity::Area,  ParticleQuantity::Perimeter, ParticleQuantity::Circularity,
    ParticleQuantity::Feret, ParticleQuantity::MinFeret,  ParticleQuantity::FeretAngle,
};

QString Title(ParticleQuantity quantity, const std::string& unit) {
    const QString suffix = ParticleQuantityUnit(quantity, unit);
    return suffix.isEmpty() ? ParticleQuantityName(quantity)
                            : QStringLiteral("%1 (%2)").arg(ParticleQuantityName(quantity), suffix);
}

QString Number(double value, int decimals) {
    return QString::asprintf("%.*f", decimals, value);
}

// Table rows: a title row, then one row per particle; then the summary's.
std::vector<QStringList> TableRows(const CParticleResult& result, int decimals) {
    QStringList titles{
        GetLanguageString(QStringLiteral("ParticleNumber"), QStringLiteral("Number"), 64)};
    for (const ParticleQuantity q : kColumns) {
        titles << Title(q, result.unit);
    }
    std::vector<QStringList> rows{titles};
    for (const CParticle& p : result.particles) {
        QStringList row{QString::number(p.id)};
        for (const ParticleQuantity q : kColumns) {
            row << Number(ParticleValue(p, q), decimals);
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<QStringList> SummaryRows(const CParticleResult& result, int decimals) {
    const CParticleSummary summary = SummariseParticles(result);
    std::vector<QStringList> rows{
        {GetLanguageString(QStringLiteral("StatQuantity"), QStringLiteral("Quantity"), 64),
         GetLanguageString(QStringLiteral("StatMean"), QStringLiteral("Mean"), 64),
         GetLanguageString(QStringLiteral("StatDeviation"), QStringLiteral("Std. deviation"), 64),
         GetLanguageString(QStringLiteral("StatMinimum"), QStringLiteral("Minimum"), 64),
         GetLanguageString(QStringLiteral("StatMaximum"), QStringLiteral("Maximum"), 64)}};
    for (const ParticleQuantity q : kColumns) {
        const CQuantityStats& s = summary.Of(q);
        rows.push_back({Title(q, result.unit), Number(s.mean, decimals), Number(s.sd, decimals),
                        Number(s.min, decimals), Number(s.max, decimals)});
    }
    rows.push_back({GetLanguageString(QStringLiteral("StatCount"), QStringLiteral("Count"), 64),
                    QString::number(summary.count)});
    rows.push_back({GetLanguageString(QStringLiteral("ParticleAreaFraction"),
                                      QStringLiteral("Area fraction"), 64),
                    Number(summary.areaFraction, decimals)});
    return rows;
}

} // namespace

bool IsParticleReportPath(const QString& path) {
    return ReportFileKindOf(path).has_value() ||
           QFileInfo(path).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0;
}

QString WriteParticleReport(const QString& path, const CParticleResult& result,
                            const CDib& picture) {
    const std::optional<ReportFileKind> kind = ReportFileKindOf(path);
    if (!kind) {
        return WriteParticleCsv(path, result)
                   ? QString()
                   : QStringLiteral("The report could not be written to %1.").arg(path);
    }
    CReportInput input = CurrentReportInput(ReportSource::Still);
    // The header only: the particle rows and their own summary follow it.
    input.items.clear();
    input.summary = false;
    const int decimals = input.decimals;
    const QByteArray image =
        *kind == ReportFileKind::Xls ? EncodeReportDib(picture) : EncodeReportPng(picture);
    CReportBytes file;
    const std::vector<QStringList> table = TableRows(result, decimals);
    const std::vector<QStringList> summary = SummaryRows(result, decimals);
    if (IsSpreadsheet(*kind)) {
        CSheetReport sheet = BuildSheetReport(input);
        int row = 5;
        for (const auto* rows : {&table, &summary}) {
            for (const QStringList& cells : *rows) {
                for (int column = 0; column < cells.size(); ++column) {
                    bool numeric = false;
                    const double value = cells[column].toDouble(&numeric);
                    sheet.cells.push_back(CSheetCell{
                        row, column, cells[column],
                        numeric && row > 5 ? std::optional<double>(value) : std::nullopt});
                }
                ++row;
            }
            ++row;
        }
        sheet.pictureRow = image.isEmpty() ? -1 : row;
        file = *kind == ReportFileKind::Xlsx ? WriteXlsxReport(sheet, image)
                                             : WriteXlsReport(sheet, image);
    } else {
        CDocumentReport document = BuildDocumentReport(input);
        document.rows.clear();
        document.summary = table;
        document.summary.push_back({});
        document.summary.insert(document.summary.end(), summary.begin(), summary.end());
        document.picture = !image.isEmpty();
        file = *kind == ReportFileKind::Docx ? WriteDocxReport(document, image)
                                             : WriteRtfReport(document, image);
    }
    if (!file.error.isEmpty()) {
        return file.error;
    }
    if (!WriteFileWhole(path, file.bytes)) {
        return QStringLiteral("The report could not be written to %1.").arg(path);
    }
    return {};
}
