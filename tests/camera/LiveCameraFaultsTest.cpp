#include "framework/ui/MDIFrameWnd.h"
#include "framework/ui/StatusBar.h"
#include "tests/camera/LiveViewTestSupport.h"

#include <QApplication>
#include <QTest>

namespace {

using namespace std::chrono_literals;

// The live window on the virtual microscope (slot 1) playing a real camera's
// faults: what the user sees of each.
class LiveCameraFaultsTest : public LiveViewTest {
protected:
    ~LiveCameraFaultsTest() override { qunsetenv("MARNELO_VIRTUAL_FAULTS"); }

    CDeviceView* OpenFaulty(const char* faults) {
        qputenv("MARNELO_VIRTUAL_FAULTS", faults);
        return Open(1);
    }
    QString StatusText() const { return frame->paneBar().paneText(kMessagePane); }
    bool Says(const QString& text) const {
        return QTest::qWaitFor([&] { return StatusText().contains(text); }, 5000);
    }
};

TEST_F(LiveCameraFaultsTest, AFailedStartShowsItsReasonInTheWindow) {
    ASSERT_NE(OpenFaulty("busy"), nullptr);
    EXPECT_FALSE(view->CameraOpen());
    EXPECT_TRUE(view->Trouble().startsWith("Marnelo Virtual Microscope: The camera is busy"))
        << view->Trouble().toStdString();
    EXPECT_TRUE(view->Trouble().contains("Close the other program"));
    const QImage shown = Viewport()->grab().toImage();
    int red = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb pixel = shown.pixel(x, y);
            red += qRed(pixel) > 200 && qGreen(pixel) < 90 && qBlue(pixel) < 90 ? 1 : 0;
        }
    }
    EXPECT_GT(red, 100) << "the reason is painted, not a blank grey window";
}

TEST_F(LiveCameraFaultsTest, TooLittleBandwidthFallsBackToMjpgAndSaysSo) {
    g_captureSession.forcedFormat = CaptureFormat{Fourcc::kYUYV, 1280, 720, {1, 30}};
    ASSERT_NE(OpenFaulty("bandwidth"), nullptr);
    EXPECT_TRUE(view->Streaming());
    EXPECT_EQ(g_captureSession.camera->CurrentFormat()->fourcc, Fourcc::kMJPG);
    EXPECT_TRUE(Says("streaming MJPG at 1280x720 instead")) << StatusText().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->Shown().width() == 1280; }, 5000));
}

TEST_F(LiveCameraFaultsTest, AStalledCameraIsRestartedOnceThenReportedLost) {
    g_captureSession.stallTimeout = 150ms;
    ASSERT_NE(OpenFaulty("stall-after=8"), nullptr);
    EXPECT_TRUE(Says("was restarted")) << StatusText().toStdString();
    EXPECT_TRUE(view->Streaming());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view->Streaming(); }, 5000));
    EXPECT_TRUE(view->Trouble().contains("no picture came")) << view->Trouble().toStdString();
    EXPECT_EQ(StatusText(), view->Trouble());
}

TEST_F(LiveCameraFaultsTest, AnUnpluggedCameraSaysWhyThePictureStopped) {
    ASSERT_NE(OpenFaulty("unplug-after=5"), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view->Streaming(); }, 5000));
    EXPECT_EQ(view->Trouble(), "The camera is no longer connected.");
}

} // namespace
