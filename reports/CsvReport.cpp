#include "reports/CsvReport.h"

#include "core/FileWriting.h"
#include "core/Language.h"

#include <map>

namespace {

constexpr int kTextLimit = 64;

// The column a value goes to: its label, numbered when one measurement lists
// it twice, with its unit.
QString ColumnTitle(const CResultValue& value, int repeat, const CResultFormat& format) {
    if (value.type == ResultValueType::Text) {
        return GetLanguageString("AddText", QStringLiteral("Text"), kTextLimit);
    }
    QString title = value.label;
    if (repeat > 1) {
        title += QString::asprintf(" %d", repeat);
    }
    const QString unit = ResultUnitText(value.type, format);
    return unit.isEmpty() ? title : title + QStringLiteral(" (") + unit + u')';
}

QString FieldValue(const CResultValue& value, const CResultFormat& format) {
    switch (value.type) {
    case ResultValueType::Text:
        return value.label;
    case ResultValueType::Mark:
        return QString::asprintf("%.0f", value.value);
    default:
        return FormatResultNumber(value.value, format);
    }
}

} // namespace

QString CsvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r')) {
        return text;
    }
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QByteArray BuildCsvReport(const std::vector<CResultValues>& listed, const CResultFormat& format) {
    QStringList columns;
    std::map<QString, int> columnOf;
    std::vector<std::map<int, QString>> rows;
    rows.reserve(listed.size());
    for (const CResultValues& entry : listed) {
        std::map<int, QString> row;
        std::map<QString, int> seen;
        for (const CResultValue& value : entry.values) {
            const int repeat = value.type == ResultValueType::Text ? 1 : ++seen[value.label];
            const QString title = ColumnTitle(value, repeat, format);
            auto found = columnOf.find(title);
            if (found == columnOf.end()) {
                found = columnOf.emplace(title, static_cast<int>(columns.size())).first;
                columns.append(title);
            }
            row[found->second] = FieldValue(value, format);
        }
        rows.push_back(std::move(row));
    }

    QString out;
    const auto endRow = [&out] {
        out += QStringLiteral("\r\n");
    };
    out += CsvField(GetLanguageString("Number", QStringLiteral("Number"), kTextLimit)) + u',' +
           CsvField(GetLanguageString("Contents", QStringLiteral("Contents"), kTextLimit));
    for (const QString& column : columns) {
        out += u',' + CsvField(column);
    }
    endRow();
    for (std::size_t i = 0; i < listed.size(); ++i) {
        out += QString::asprintf("%d", listed[i].serial) + u',' + CsvField(listed[i].kind);
        for (int column = 0; column < columns.size(); ++column) {
            const auto field = rows[i].find(column);
            out += u',' + (field != rows[i].end() ? CsvField(field->second) : QString());
        }
        endRow();
    }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

bool WriteCsvReport(const QString& path, const std::vector<CResultValues>& listed,
                    const CResultFormat& format) {
    return WriteFileWhole(path, BuildCsvReport(listed, format));
}
