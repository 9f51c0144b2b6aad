#include "cli/CliCalibrate.h"

#include "calibration/Calibration.h"
#include "calibration/CalibrationFiles.h"
#include "calibration/ManualCalibration.h"
#include "core/CliJson.h"

#include <QFileInfo>

namespace {

CCliOutcome Refused(CCliOutcome outcome, int status, const QString& error) {
    outcome.exitStatus = status;
    outcome.error = error;
    outcome.output.clear();
    return outcome;
}

} // namespace

CCliOutcome RunCalibrateSession(const QByteArray& sessionJson, const QString& sessionFolder,
                                const QString& title, const QString& realLength,
                                const QString& unit) {
    // Only a line of this session may serve as the measured ruler.
    g_calibration.lastLineLength = 0.0;
    CCliOutcome outcome = RunMeasureSession(sessionJson, sessionFolder);
    if (outcome.exitStatus != 0) {
        return outcome;
    }
    // The new record joins the program folder's store, which the session may
    // have replaced by another; a store that cannot be read is never
    // overwritten.
    const QString store = CalibrationStorePath();
    QString error;
    if (QFileInfo::exists(store)) {
        if (!LoadCalibrationsFrom(store, &error)) {
            return Refused(outcome, 1, QStringLiteral("cannot load \"%1\": %2").arg(store, error));
        }
    } else {
        g_calibrationStore.records.clear();
    }
    switch (CalibrateManually(title, unit, realLength)) {
    case ManualCalibrationResult::Stored:
        break;
    case ManualCalibrationResult::EmptyField:
        return Refused(outcome, 2, QStringLiteral("the title, length and unit must not be empty"));
    case ManualCalibrationResult::DuplicateTitle:
        return Refused(outcome, 2, QStringLiteral("a calibration titled \"%1\" exists").arg(title));
    case ManualCalibrationResult::BadRealLength:
        return Refused(outcome, 2, QStringLiteral("the length must be a number greater than 0"));
    case ManualCalibrationResult::NoLine:
        return Refused(outcome, 2, QStringLiteral("the session measures no distance line"));
    case ManualCalibrationResult::SaveFailed:
        return Refused(outcome, 1, QStringLiteral("cannot write \"%1\"").arg(store));
    }
    const CCalibrationData& record = g_calibrationStore.records.back();
    QByteArray out = "{";
    CJsonMembers(out)
        .String("name", record.name)
        .String("unit", record.Unit)
        .Number("scale", g_calibration.scale)
        .String("store", store);
    out.append("}\n");
    outcome.output = out;
    return outcome;
}
