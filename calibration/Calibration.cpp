#include "calibration/Calibration.h"

#include <charconv>
#include <cmath>
#include <string>

CCalibrationStore g_calibrationStore;
CCurrentCalibration g_calibration;

namespace {

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

const CCalibrationData* FirstRecordNamed(const QString& name) {
    for (const CCalibrationData& record : g_calibrationStore.records) {
        if (SameName(record.name, name)) {
            return &record;
        }
    }
    return nullptr;
}

} // namespace

CUnitConversion CurrentConversion() {
    return CUnitConversion{g_calibration.unitFactor, g_calibration.scale};
}

double ParseLeadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Only the ASCII characters that can belong to a number are handed on, so
    // a second sign or any other text ends the number.
    std::string digits;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool numeric = (c >= u'0' && c <= u'9') || c == u'.' || c == u'e' || c == u'E' ||
                             ((c == u'+' || c == u'-') && !digits.empty() &&
                              (digits.back() == 'e' || digits.back() == 'E'));
        if (!numeric) {
            break;
        }
        digits.push_back(static_cast<char>(c));
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    (void)end;
    if (error != std::errc() || !std::isfinite(value)) {
        return 0.0;
    }
    return negative ? -value : value;
}

std::optional<double> UnitFactorOf(const QString& unit) {
    struct Entry {
        const char16_t* unit;
        double factor;
    };
    // Tested in this order; the first equal text wins.
    static constexpr Entry kFactors[] = {
        {u"nm", 10000000.0}, {u"um", 10000.0}, {u"mil", 393.700787}, {u"mm", 10.0}, {u"cm", 1.0}};
    for (const Entry& entry : kFactors) {
        if (SameName(unit, QString::fromUtf16(entry.unit))) {
            return entry.factor;
        }
    }
    return std::nullopt;
}

double UnitFactor() {
    if (const std::optional<double> factor = UnitFactorOf(g_calibration.unit)) {
        g_calibration.unitFactor = *factor;
    }
    return g_calibration.unitFactor;
}

bool FindCalibration(const QString& name, QString& unit, double& valueX, double& valueY) {
    const CCalibrationData* record = FirstRecordNamed(name);
    if (record == nullptr) {
        return false;
    }
    unit = record->Unit;
    valueX = ParseLeadingNumber(record->ValueX);
    valueY = ParseLeadingNumber(record->ValueY);
    return true;
}

void RemoveCalibration(const QString& name) {
    auto& records = g_calibrationStore.records;
    if (name.isEmpty()) {
        records.clear();
        return;
    }
    for (auto it = records.begin(); it != records.end(); ++it) {
        if (SameName(it->name, name)) {
            records.erase(it);
            return;
        }
    }
}

bool ApplyCalibration(const QString& name) {
    QString unit;
    double scale = 0.0;
    double reference = 0.0;
    if (!FindCalibration(name, unit, scale, reference) || !(scale > 0.0)) {
        return false;
    }
    g_calibration.unit = unit;
    UnitFactor();
    g_calibration.scale = scale;
    g_calibration.referenceLength = reference;
    g_calibration.camera = FirstRecordNamed(name)->camera;
    return true;
}
