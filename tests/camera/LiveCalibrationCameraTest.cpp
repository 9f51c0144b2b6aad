#include "calibration/CalibrationCamera.h"
#include "calibration/ManualCalibration.h"
#include "calibration/ui/CCalManageFormView.h"
#include "calibration/ui/CCalManageFormWnd.h"
#include "framework/ui/MessageBox.h"
#include "tests/camera/LiveViewTestSupport.h"

#include <QLabel>
#include <QMdiArea>

namespace {

// The live window and the calibration made on a camera: what it records, and
// what it says when the camera shown is another one or delivers another size.
class LiveCalibrationCameraTest : public LiveViewTest {
protected:
    LiveCalibrationCameraTest() {
        g_calibrationStore = CCalibrationStore{};
        pane = new CCalManageFormWnd(QStringLiteral("Calibration"), frame.get());
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            questions << request.text;
            return answer;
        });
    }
    ~LiveCalibrationCameraTest() override {
        frame.reset();
        SetMessageBoxResponder({});
        g_calibrationStore = CCalibrationStore{};
        g_liveShapes.shapes.clear();
    }

    // A calibration of `scale` made on `camera`, current as if applied.
    static void Calibrated(double scale, const CCalibrationCamera& camera) {
        g_calibration.scale = scale;
        g_calibration.selectedName = QStringLiteral("Made before");
        g_calibration.camera = camera;
    }

    QString StatusText() const { return frame->paneBar().paneText(kMessagePane); }
    QLabel* ManagerNote() const {
        return pane->view()->findChild<QLabel*>(QStringLiteral("calibrationCameraNote"));
    }

    const CCalibrationCamera scope{QStringLiteral("usb-scope"), 640, 480};
    CCalManageFormWnd* pane = nullptr;
    QStringList questions;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
};

TEST_F(LiveCalibrationCameraTest, AManualCalibrationFromALiveLineRecordsTheCameraAndFrameSize) {
    ASSERT_NE(Open(), nullptr);
    Command(ID_MEASURE_LINE);
    Click(QPoint(100, 100));
    Click(QPoint(220, 100));
    Click(QPoint(110, 130));
    ASSERT_EQ(
        CalibrateManually(QStringLiteral("Live ruler"), QStringLiteral("mm"), QStringLiteral("1")),
        ManualCalibrationResult::Stored);
    ASSERT_EQ(g_calibrationStore.records.size(), 1u);
    EXPECT_EQ(g_calibrationStore.records[0].camera, scope);
    EXPECT_EQ(g_calibration.camera, scope);
    // Made here and now: nothing to warn about.
    EXPECT_TRUE(view->RefreshCamera());
    EXPECT_EQ(StatusText(), "");
    EXPECT_TRUE(questions.isEmpty());
}

TEST_F(LiveCalibrationCameraTest, ACalibrationOfAnotherCameraIsReportedInTheStatusBarAndManager) {
    const CCalibrationCamera other{QStringLiteral("usb-other"), 640, 480};
    Calibrated(90.0, other);
    ASSERT_NE(Open(), nullptr);
    const QString warning = CameraFitWarning(CheckCurrentCalibrationCamera(scope), other, scope);
    ASSERT_FALSE(warning.isEmpty());
    EXPECT_EQ(StatusText(), warning);
    EXPECT_FALSE(ManagerNote()->isHidden());
    EXPECT_FALSE(ManagerNote()->text().isEmpty());
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_DOUBLE_EQ(g_calibration.scale, 90.0);

    // Closing the window leaves the manager without a camera to compare.
    SetMessageBoxResponder([](const MessageBoxRequest&) { return QMessageBox::Yes; });
    frame->mdiArea()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(ManagerNote()->isHidden());
}

TEST_F(LiveCalibrationCameraTest, AnotherFrameSizeOfTheSameCameraOffersTheRescale) {
    Calibrated(120.0, CCalibrationCamera{QStringLiteral("usb-scope"), 1280, 960});
    ASSERT_NE(Open(), nullptr);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_DOUBLE_EQ(g_calibration.scale, 60.0);
    EXPECT_EQ(g_calibration.camera, scope);
    EXPECT_EQ(StatusText(), "");
    EXPECT_TRUE(ManagerNote()->isHidden());
}

TEST_F(LiveCalibrationCameraTest, ADeclinedRescaleWarnsAndIsNotAskedAgainOnRefresh) {
    const CCalibrationCamera large{QStringLiteral("usb-scope"), 1280, 960};
    Calibrated(120.0, large);
    answer = QMessageBox::No;
    ASSERT_NE(Open(), nullptr);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_DOUBLE_EQ(g_calibration.scale, 120.0);
    EXPECT_EQ(StatusText(), CameraFitWarning(CheckCurrentCalibrationCamera(scope), large, scope));
    EXPECT_TRUE(view->RefreshCamera());
    EXPECT_EQ(questions.size(), 1);
    EXPECT_FALSE(StatusText().isEmpty());
}

TEST_F(LiveCalibrationCameraTest, AFormatChangeChecksTheCalibrationAgain) {
    Calibrated(90.0, scope);
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(StatusText(), "");
    ASSERT_EQ(PrepareFormatPage(), 1);
    ASSERT_TRUE(SetCaptureFormat(CaptureFormat{Fourcc::kMJPG, 1280, 720, {1, 30}}));
    TakeOverCaptureFormat();
    QApplication::processEvents();
    // Another shape of frame is a crop: a warning, but no rescale offered.
    const CCalibrationCamera wide{QStringLiteral("usb-scope"), 1280, 720};
    EXPECT_EQ(StatusText(), CameraFitWarning(CheckCurrentCalibrationCamera(wide), scope, wide));
    EXPECT_FALSE(StatusText().isEmpty());
    EXPECT_TRUE(questions.isEmpty());
}

} // namespace
