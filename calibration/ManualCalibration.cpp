#include "calibration/ManualCalibration.h"

#include "calibration/Calibration.h"
#include "calibration/CalibrationFiles.h"

#include <cmath>

std::optional<double> ManualScale(double lastLineLength, double realLength, double scale) {
    // A zero real length or a missing line would store an infinite or zero
    // scale and make every later measurement meaningless.
    if (!(realLength > 0.0) || !(lastLineLength > 0.0)) {
        return std::nullopt;
    }
    const double newScale = lastLineLength / realLength * scale;
    if (!std::isfinite(newScale) || !(newScale > 0.0)) {
        return std::nullopt;
    }
    return newScale;
}

ManualCalibrationResult CalibrateManually(const QString& title, const QString& unit,
                                          const QString& realLengthText) {
    if (title.isEmpty() || unit.isEmpty() || realLengthText.isEmpty()) {
        return ManualCalibrationResult::EmptyField;
    }
    QString storedUnit;
    double valueX = 0.0;
    double valueY = 0.0;
    if (FindCalibration(title, storedUnit, valueX, valueY)) {
        return ManualCalibrationResult::DuplicateTitle;
    }
    const double realLength = ParseLeadingNumber(realLengthText);
    if (!(realLength > 0.0)) {
        return ManualCalibrationResult::BadRealLength;
    }
    if (!g_calibration.lineDrawn || !(g_calibration.lastLineLength > 0.0)) {
        return ManualCalibrationResult::NoLine;
    }
    // A real length so small that the scale overflows is no usable length.
    const std::optional<double> scale =
        ManualScale(g_calibration.lastLineLength, realLength, g_calibration.scale);
    if (!scale) {
        return ManualCalibrationResult::BadRealLength;
    }
    g_calibrationStore.records.push_back(CCalibrationData{
        title, unit, QString::asprintf("%f", *scale), realLengthText, g_calibration.lineCamera});
    if (!SaveCalibrations()) {
        g_calibrationStore.records.pop_back();
        return ManualCalibrationResult::SaveFailed;
    }
    g_calibration.scale = *scale;
    // A line drawn on the live picture ties the scale to that camera and size.
    g_calibration.camera = g_calibration.lineCamera;
    g_calibration.lastLineLength = 0.0;
    return ManualCalibrationResult::Stored;
}
