#include "camera/ui/LiveCalibrationCheck.h"

#include "calibration/CalibrationCamera.h"
#include "calibration/ui/CCalManageFormView.h"
#include "framework/PostedEvents.h"
#include "framework/ui/MessageBox.h"

#include <QWidget>

QString CLiveCalibrationCheck::Check(QWidget* view, const CCalibrationCamera& inUse) {
    CCameraFitCheck check = CheckCurrentCalibrationCamera(inUse);
    if (check.rescaled && m_declined != inUse && g_calibration.camera) {
        const QString question = CameraRescaleQuestion(check, *g_calibration.camera, inUse);
        if (ShowMessageBox(view, question, QString(), QMessageBox::Yes | QMessageBox::No,
                           QMessageBox::Question) == QMessageBox::Yes &&
            RescaleCurrentCalibration(check, inUse)) {
            // Every shown length follows the rescaled calibration.
            PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_PROPERTIES);
            check = CheckCurrentCalibrationCamera(inUse);
        } else {
            m_declined = inUse;
        }
    }
    if (QWidget* top = view != nullptr ? view->window() : nullptr) {
        m_manager = top->findChild<CCalManageFormView*>();
    }
    if (m_manager) {
        m_manager->ShowCameraInUse(inUse);
    }
    if (!g_calibration.camera) {
        return {};
    }
    return CameraFitWarning(check, *g_calibration.camera, inUse);
}

void CLiveCalibrationCheck::Forget() {
    if (m_manager) {
        m_manager->ShowCameraInUse(std::nullopt);
    }
}
