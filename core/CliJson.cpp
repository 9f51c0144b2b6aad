#include "core/CliJson.h"

#include <charconv>
#include <cmath>

#include <QSet>

void AppendJsonNumber(QByteArray& out, double value) {
    if (!std::isfinite(value)) {
        out.append("null");
        return;
    }
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, error == std::errc() ? end - buffer : 0);
}

void AppendJsonInteger(QByteArray& out, long long value) {
    char buffer[24];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, error == std::errc() ? end - buffer : 0);
}

void AppendJsonString(QByteArray& out, const QString& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.append('"');
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.append('\\').append(c);
        } else if (byte < 0x20) {
            out.append("\\u00").append(kHex[byte >> 4]).append(kHex[byte & 0xF]);
        } else {
            out.append(c);
        }
    }
    out.append('"');
}

void CJsonMembers::Key(const char* key) {
    m_out.append(m_first ? "\"" : ", \"").append(key).append("\": ");
    m_first = false;
}

CJsonMembers& CJsonMembers::String(const char* key, const QString& value) {
    Key(key);
    AppendJsonString(m_out, value);
    return *this;
}

CJsonMembers& CJsonMembers::Number(const char* key, double value) {
    Key(key);
    AppendJsonNumber(m_out, value);
    return *this;
}

CJsonMembers& CJsonMembers::Integer(const char* key, long long value) {
    Key(key);
    AppendJsonInteger(m_out, value);
    return *this;
}

CJsonMembers& CJsonMembers::Raw(const char* key, const QByteArray& json) {
    Key(key);
    m_out.append(json);
    return *this;
}

QString UnknownKey(const QJsonObject& object, std::initializer_list<const char*> known) {
    QSet<QString> names;
    for (const char* name : known) {
        names.insert(QLatin1String(name));
    }
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!names.contains(it.key())) {
            return it.key();
        }
    }
    return {};
}

std::optional<int> JsonWholeNumber(const QJsonValue& value, int low, int high) {
    const double number = value.isDouble() ? value.toDouble() : std::nan("");
    if (!(number >= low && number <= high) || number != std::trunc(number)) {
        return std::nullopt;
    }
    return static_cast<int>(number);
}

QString WholeNumberExpected(const QString& where, int low, int high) {
    return QStringLiteral("%1: expected a whole number from %2 to %3")
        .arg(where)
        .arg(low)
        .arg(high);
}
