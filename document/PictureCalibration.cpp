#include "document/PictureCalibration.h"

#include "calibration/Calibration.h"
#include "core/Language.h"

#include <cmath>

namespace {

bool Usable(const CPictureScale& scale) {
    return std::isfinite(scale.pixelsPerCentimetre) && scale.pixelsPerCentimetre > 0.0 &&
           UnitFactorOf(QString::fromStdString(scale.unit)).has_value();
}

} // namespace

std::optional<CPictureScale> ScaleInForce(double factor) {
    const CCurrentCalibration initial;
    const bool given = !g_calibration.selectedName.isEmpty() || g_calibration.camera ||
                       g_calibration.scale != initial.scale || g_calibration.unit != initial.unit;
    if (!given || !(g_calibration.scale > 0.0) || !(factor > 0.0)) {
        return std::nullopt;
    }
    return CPictureScale{g_calibration.scale * factor, g_calibration.unit.toStdString(),
                         g_calibration.selectedName.toStdString()};
}

bool CalibrationMatches(const CPictureScale& scale) {
    return QString::fromStdString(scale.unit).compare(g_calibration.unit, Qt::CaseInsensitive) ==
               0 &&
           std::abs(scale.pixelsPerCentimetre - g_calibration.scale) <= 1e-6 * g_calibration.scale;
}

bool UsePictureScale(const CPictureScale& scale) {
    if (!Usable(scale)) {
        return false;
    }
    g_calibration.selectedName.clear();
    g_calibration.unit = QString::fromStdString(scale.unit);
    UnitFactor();
    g_calibration.scale = scale.pixelsPerCentimetre;
    g_calibration.camera.reset();
    return true;
}

bool StorePictureScale(const CPictureScale& scale, const QString& name) {
    QString unit;
    double valueX = 0.0;
    double valueY = 0.0;
    if (!Usable(scale) || name.trimmed().isEmpty() || FindCalibration(name, unit, valueX, valueY)) {
        return false;
    }
    // The reference length is one unit: the file says nothing of the line
    // the scale was measured with.
    g_calibrationStore.records.push_back(
        CCalibrationData{name, QString::fromStdString(scale.unit),
                         QString::asprintf("%f", scale.pixelsPerCentimetre), QStringLiteral("1")});
    const bool applied = ApplyCalibration(name);
    if (applied) {
        g_calibration.selectedName = name;
    }
    return applied;
}

QString StoredNameForPictureScale(const CPictureScale& scale, const QString& fileName) {
    const QString own = QString::fromStdString(scale.calibrationName).trimmed();
    const QString base = own.isEmpty() ? fileName : own;
    QString name = base;
    QString unit;
    double valueX = 0.0;
    double valueY = 0.0;
    for (int number = 2; FindCalibration(name, unit, valueX, valueY); ++number) {
        name = base + QString::asprintf(" (%d)", number);
    }
    return name;
}

QString PictureScaleQuestion(const CPictureScale& scale, const QString& storedName) {
    const QString unit = QString::fromStdString(scale.unit);
    const double pixel = UnitFactorOf(unit).value_or(1.0) / scale.pixelsPerCentimetre;
    return GetLanguageString("PictureScaleQuestion",
                             QStringLiteral("This picture carries its own scale: one pixel is %1 "
                                            "%2. Measure it with that scale, for this picture or "
                                            "stored as the calibration \"%3\"?"),
                             256)
        .arg(QString::asprintf("%.6g", pixel), unit, storedName);
}
