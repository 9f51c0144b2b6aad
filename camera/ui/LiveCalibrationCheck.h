#pragma once

#include "calibration/Calibration.h"

#include <optional>

#include <QPointer>
#include <QString>

class CCalManageFormView;
class QWidget;

// What the live window says about the current calibration whenever its
// camera (re)opens or changes format. GUI thread only.
class CLiveCalibrationCheck {
public:
    // Tells the calibration manager of `view`'s main window the camera in
    // use. When the current calibration was made on the same camera at
    // another frame size of the same shape, asks whether to rescale it for
    // this session, once per camera and size (a No is remembered). Returns
    // the warning for the status bar, empty when the calibration fits or
    // nothing is known of it.
    QString Check(QWidget* view, const CCalibrationCamera& inUse);

    // Tells the manager told last that no camera is shown any more.
    void Forget();

private:
    // The manager may go before the live window (the main window closing).
    QPointer<CCalManageFormView> m_manager;
    std::optional<CCalibrationCamera> m_declined;
};
