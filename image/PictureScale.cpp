#include "image/PictureScale.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace {

constexpr double kCentimetresPerInch = 2.54;

constexpr std::array<std::pair<std::string_view, double>, 5> kUnits{{
    {"nm", 10000000.0},
    {"um", 10000.0},
    {"mil", 393.700787},
    {"mm", 10.0},
    {"cm", 1.0},
}};

// The value of the first "key=value" line of `text` for `key`.
std::optional<std::string_view> LineValue(std::string_view text, std::string_view key) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.size() > key.size() && line.substr(0, key.size()) == key &&
            line[key.size()] == '=') {
            return line.substr(key.size() + 1);
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return std::nullopt;
}

bool UsableScale(double value) {
    return std::isfinite(value) && value > 0;
}

// Our unit and the number of those units in one ImageJ unit of `text`;
// ImageJ writes micrometres several ways.
std::optional<std::pair<std::string, double>> ImageJUnit(std::string_view text) {
    for (std::string_view micro : {"um", "micron", "\xC2\xB5m", "\xB5m", "\\u00B5m", "\\u00b5m"}) {
        if (text == micro) {
            return std::pair{std::string("um"), 1.0};
        }
    }
    if (text == "inch") {
        return std::pair{std::string("mil"), 1000.0};
    }
    if (text == "nm" || text == "mm" || text == "cm") {
        return std::pair{std::string(text), 1.0};
    }
    return std::nullopt;
}

} // namespace

double UnitsPerCentimetre(std::string_view unit) {
    for (const auto& [name, factor] : kUnits) {
        if (name == unit) {
            return factor;
        }
    }
    return 0;
}

std::string ScaleRecord(const CPictureScale& scale) {
    std::array<char, 64> number{};
    const auto written =
        std::to_chars(number.data(), number.data() + number.size(), scale.pixelsPerCentimetre);
    std::string name = scale.calibrationName;
    for (char& c : name) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return "pixelsPerCentimetre=" + std::string(number.data(), written.ptr) +
           "\nunit=" + scale.unit + "\nname=" + name + "\n";
}

std::optional<CPictureScale> ParseScaleRecord(std::string_view text) {
    const auto number = LineValue(text, "pixelsPerCentimetre");
    const auto unit = LineValue(text, "unit");
    if (!number || !unit || UnitsPerCentimetre(*unit) == 0) {
        return std::nullopt;
    }
    CPictureScale scale;
    const auto parsed =
        std::from_chars(number->data(), number->data() + number->size(), scale.pixelsPerCentimetre);
    if (parsed.ec != std::errc{} || parsed.ptr != number->data() + number->size() ||
        !UsableScale(scale.pixelsPerCentimetre)) {
        return std::nullopt;
    }
    scale.unit = std::string(*unit);
    scale.calibrationName = std::string(LineValue(text, "name").value_or(""));
    return scale;
}

std::optional<CPictureScale> ForeignScale(double perUnit, int resolutionUnit,
                                          std::string_view imageJDescription) {
    if (!UsableScale(perUnit)) {
        return std::nullopt;
    }
    std::optional<std::pair<std::string, double>> unit;
    if (imageJDescription.substr(0, 6) == "ImageJ") {
        if (const auto text = LineValue(imageJDescription, "unit")) {
            unit = ImageJUnit(*text);
            if (!unit) {
                return std::nullopt;
            }
        }
    }
    constexpr int kInch = 2;
    constexpr int kCentimetre = 3;
    double perCentimetre = 0;
    if (resolutionUnit == kCentimetre) {
        perCentimetre = perUnit;
    } else if (resolutionUnit == kInch) {
        perCentimetre = perUnit / kCentimetresPerInch;
    } else if (unit) {
        // Without a resolution unit ImageJ counts pixels per its own unit.
        perCentimetre = perUnit * UnitsPerCentimetre(unit->first) / unit->second;
    }
    if (!UsableScale(perCentimetre)) {
        return std::nullopt;
    }
    if (!unit) {
        unit = std::pair{std::string(resolutionUnit == kCentimetre ? "cm" : "mil"), 1.0};
    }
    return CPictureScale{perCentimetre, unit->first, {}};
}

std::string ImageJDescription(const CPictureScale& scale) {
    return std::string("ImageJ=1.53t\nunit=") + (scale.unit == "cm" ? "cm" : "um") + "\n";
}
