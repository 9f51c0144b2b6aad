#include "reports/ResultStatistics.h"

#include "core/Language.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

namespace {

constexpr int kTextLimit = 64;

bool IsMeasured(ResultValueType type) {
    return type != ResultValueType::Mark && type != ResultValueType::Text;
}

QString WithUnit(double value, ResultValueType type, const CResultFormat& format) {
    const QString unit = ResultUnitText(type, format);
    const QString number = FormatResultNumber(value, format);
    if (unit.isEmpty()) {
        return number;
    }
    return type == ResultValueType::Angle ? number + unit : number + u' ' + unit;
}

} // namespace

std::vector<CResultStatistic> ResultStatistics(const std::vector<CResultValues>& listed) {
    // The values of each (kind, quantity), in the order they first appear.
    std::vector<std::pair<CResultStatistic, std::vector<double>>> groups;
    std::map<std::pair<QString, QString>, std::size_t> index;
    for (const CResultValues& entry : listed) {
        std::map<QString, int> seen; // labels a kind lists more than once
        for (const CResultValue& value : entry.values) {
            if (!IsMeasured(value.type)) {
                continue;
            }
            const int repeat = ++seen[value.label];
            const QString quantity =
                repeat > 1 ? value.label + QString::asprintf(" %d", repeat) : value.label;
            const auto key = std::make_pair(entry.kind, quantity);
            auto found = index.find(key);
            if (found == index.end()) {
                CResultStatistic statistic;
                statistic.kind = entry.kind;
                statistic.quantity = quantity;
                statistic.type = value.type;
                found = index.emplace(key, groups.size()).first;
                groups.emplace_back(statistic, std::vector<double>{});
            }
            groups[found->second].second.push_back(value.value);
        }
    }
    std::vector<CResultStatistic> statistics;
    statistics.reserve(groups.size());
    for (auto& [statistic, values] : groups) {
        const auto n = static_cast<double>(values.size());
        double sum = 0.0;
        for (const double v : values) {
            sum += v;
        }
        statistic.count = static_cast<int>(values.size());
        statistic.mean = sum / n;
        // Two passes: subtracting the mean first keeps the deviation of
        // large, close values accurate.
        double squares = 0.0;
        for (const double v : values) {
            squares += (v - statistic.mean) * (v - statistic.mean);
        }
        statistic.deviation = values.size() > 1 ? std::sqrt(squares / (n - 1.0))
                                                : std::numeric_limits<double>::quiet_NaN();
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        statistic.minimum = *low;
        statistic.maximum = *high;
        statistics.push_back(std::move(statistic));
    }
    return statistics;
}

QStringList StatisticsHeader() {
    return {GetLanguageString("StatMeasurement", QStringLiteral("Measurement"), kTextLimit),
            GetLanguageString("StatQuantity", QStringLiteral("Quantity"), kTextLimit),
            GetLanguageString("StatCount", QStringLiteral("Count"), kTextLimit),
            GetLanguageString("StatMean", QStringLiteral("Mean"), kTextLimit),
            GetLanguageString("StatDeviation", QStringLiteral("Std. deviation"), kTextLimit),
            GetLanguageString("StatMinimum", QStringLiteral("Minimum"), kTextLimit),
            GetLanguageString("StatMaximum", QStringLiteral("Maximum"), kTextLimit)};
}

QStringList CompactStatisticsHeader() {
    return {GetLanguageString("StatMeasurement", QStringLiteral("Measurement"), kTextLimit),
            GetLanguageString("StatCountShort", QStringLiteral("n"), kTextLimit),
            GetLanguageString("StatMean", QStringLiteral("Mean"), kTextLimit),
            GetLanguageString("StatDeviationShort", QStringLiteral("SD"), kTextLimit),
            GetLanguageString("StatMinimumShort", QStringLiteral("Min"), kTextLimit),
            GetLanguageString("StatMaximumShort", QStringLiteral("Max"), kTextLimit)};
}

QStringList CompactStatisticsRow(const CResultStatistic& statistic, const CResultFormat& format) {
    const QString unit = ResultUnitText(statistic.type, format);
    QString name = statistic.kind + u' ' + statistic.quantity;
    if (!unit.trimmed().isEmpty()) {
        name += QStringLiteral(" (%1)").arg(unit);
    }
    return {name,
            QString::asprintf("%d", statistic.count),
            FormatResultNumber(statistic.mean, format),
            std::isnan(statistic.deviation) ? QStringLiteral("-")
                                            : FormatResultNumber(statistic.deviation, format),
            FormatResultNumber(statistic.minimum, format),
            FormatResultNumber(statistic.maximum, format)};
}

QStringList StatisticsRow(const CResultStatistic& statistic, const CResultFormat& format) {
    return {statistic.kind,
            statistic.quantity,
            QString::asprintf("%d", statistic.count),
            WithUnit(statistic.mean, statistic.type, format),
            std::isnan(statistic.deviation) ? QStringLiteral("-")
                                            : WithUnit(statistic.deviation, statistic.type, format),
            WithUnit(statistic.minimum, statistic.type, format),
            WithUnit(statistic.maximum, statistic.type, format)};
}
