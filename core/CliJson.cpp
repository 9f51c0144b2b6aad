#include "core/CliJson.h"

#include <charconv>
#include <cmath>

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
