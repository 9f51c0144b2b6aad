#include "capture/CaptureSession.h"
#include "capture/VirtualMicroscope.h"
#include "capture/ui/CCaptureControlsDlg.h"
#include "capture/ui/CCaptureFormatDlg.h"
#include "capture/ui/CSelectDeviceDlg.h"
#include "capture/ui/CVideoSettingDlg.h"
#include "core/Parameters.h"
#include "framework/ui/MessageBox.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/capture/FakeCaptureBackend.h"
#include "tests/support/TestEnvironment.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

namespace {

// The mean level of the newest frame's middle row, written by the streaming thread.
struct FrameProbe {
    std::mutex mutex;
    int width = 0;
    int rowMean = -1;
    std::uint64_t frames = 0;
};

class CameraDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        log = std::make_shared<FakeCaptureLog>();
        log->scripts["usb-a"] = MakeFakeCamera("usb-a", "Scope", false);
        log->scripts["usb-b"] = MakeFakeCamera("usb-b", "Scope", false);
        std::vector<std::unique_ptr<ICaptureBackend>> backends;
        backends.push_back(std::make_unique<FakeCaptureBackend>(log));
        ResetCaptureState(std::move(backends));
        probe = std::make_shared<FrameProbe>();
        g_captureSession.frameCallback.onFrame = [probe = probe](const CaptureFrame& frame) {
            const std::uint8_t* row = frame.bgr + static_cast<std::size_t>(frame.stride) * 10;
            long sum = 0;
            for (int i = 0; i < frame.width * 3; ++i) {
                sum += row[i];
            }
            std::lock_guard lock(probe->mutex);
            probe->width = frame.width;
            probe->rowMean = static_cast<int>(sum / (frame.width * 3));
            ++probe->frames;
        };
    }
    void TearDown() override { ResetCaptureState(); }

    // Opens a listed camera as the live view does.
    void OpenSlot(int slot) {
        CreateDeviceEnumerator();
        ASSERT_EQ(EnumerateVideoDevices(), 1);
        ChooseVideoDevice(slot);
        ASSERT_EQ(BindSelectedDevice(), 1);
        ASSERT_EQ(BuildCaptureGraph(), 1);
        CreateFrameSurface();
        ASSERT_EQ(RunCaptureGraph(), 1);
    }

    // Waits for two fresh frames of the virtual microscope; their row level.
    int FreshLevel() {
        std::uint64_t start = 0;
        {
            std::lock_guard lock(probe->mutex);
            start = probe->frames;
        }
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 10000) {
            QTest::qWait(10);
            std::lock_guard lock(probe->mutex);
            if (probe->frames >= start + 2) {
                return probe->rowMean;
            }
        }
        ADD_FAILURE() << "no frames";
        return -1;
    }

    ScopedProgramFolder folder;
    std::shared_ptr<FakeCaptureLog> log;
    std::shared_ptr<FrameProbe> probe;
};

TEST_F(CameraDialogsTest, SelectionStartsOnTheCameraUsedLastAndRecordsThePickedSlot) {
    QStringList said;
    SetMessageBoxResponder([&said](const MessageBoxRequest& request) {
        said << request.text;
        return QMessageBox::Ok;
    });
    {
        // Nothing used before: the first camera.
        g_captureShared.chosenDeviceIndex = 2;
        CSelectDeviceDlg dialog;
        dialog.show();
        QComboBox* list = dialog.CameraList();
        ASSERT_EQ(list->count(), 3);
        EXPECT_EQ(list->itemText(0), "Scope");
        EXPECT_EQ(list->itemText(1), "Scope");
        EXPECT_EQ(list->itemText(2), VirtualMicroscope::kName);
        EXPECT_EQ(list->currentIndex(), 0);
        EXPECT_EQ(g_captureShared.chosenDeviceIndex, 0);
        list->setCurrentIndex(1);
        EXPECT_EQ(g_captureShared.chosenDeviceIndex, 1);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    {
        // The second of two cameras of one name is told by its device.
        CSelectDeviceDlg dialog;
        EXPECT_EQ(dialog.CameraList()->currentIndex(), 1);
        EXPECT_EQ(g_captureShared.chosenDeviceIndex, 1);
        dialog.show();
        dialog.CameraList()->clear();
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible()) << "OK waits for a camera";
        EXPECT_EQ(said, QStringList{"Please Connect Device..."});
    }
    SetMessageBoxResponder({});
}

TEST_F(CameraDialogsTest, SettingDialogFollowsTheStillSourceAndRebuildsOnOk) {
    OpenSlot(0);
    {
        CVideoSettingDlg dialog;
        EXPECT_FALSE(dialog.StillCheck()->isEnabled()) << "this camera has no snapshot button";
    }
    CloseCaptureGraph();

    OpenSlot(2);
    ASSERT_TRUE(g_captureSession.stillBranch);
    CVideoSettingDlg dialog;
    dialog.show();
    ASSERT_TRUE(dialog.StillCheck()->isEnabled());
    EXPECT_TRUE(dialog.StillCheck()->isChecked());
    dialog.StillCheck()->click();
    dialog.accept();
    EXPECT_EQ(g_parameters.snapshot, 0);
    EXPECT_FALSE(g_captureSession.stillBranch);
    EXPECT_EQ(g_captureSession.running, 1) << "the picture goes on";
    EXPECT_GT(FreshLevel(), 0);
    LoadParameters();
    EXPECT_EQ(g_parameters.snapshot, 0) << "saved";
}

TEST_F(CameraDialogsTest, ControlsPageChangesThePictureLiveAndRestoresDefaults) {
    OpenSlot(2);
    const int before = FreshLevel();
    CCaptureControlsDlg page;
    page.show();
    auto* brightness = qobject_cast<QSpinBox*>(page.Editor(VirtualMicroscope::kBrightness));
    ASSERT_NE(brightness, nullptr);
    brightness->setValue(-60);
    EXPECT_LT(FreshLevel(), before - 40);

    QWidget* exposure = page.Editor(VirtualMicroscope::kExposure);
    EXPECT_FALSE(exposure->isEnabled()) << "automatic exposure";
    auto* mode = qobject_cast<QComboBox*>(page.Editor(VirtualMicroscope::kExposureAuto));
    mode->setCurrentIndex(mode->findData(1));
    emit mode->activated(mode->currentIndex());
    EXPECT_TRUE(exposure->isEnabled());

    QTest::mouseClick(page.DefaultsButton(), Qt::LeftButton);
    EXPECT_EQ(brightness->value(), 0);
    EXPECT_FALSE(exposure->isEnabled());
    EXPECT_NEAR(FreshLevel(), before, 3);

    brightness->setValue(40);
    CloseCaptureGraph(); // the camera goes away while the page is open
    brightness->setValue(10);
    EXPECT_FALSE(brightness->isEnabled());
    EXPECT_FALSE(page.DefaultsButton()->isEnabled());
}

TEST_F(CameraDialogsTest, FormatPageRewritesTheStoredFormatAndRestartsAtTheNewSize) {
    LiveViewStandIn view(true);
    OpenSlot(2);
    ASSERT_EQ(FreshLevel() > 0, true);
    QTimer::singleShot(0, [] {
        auto* page = qobject_cast<CCaptureFormatDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(g_captureSession.running, 0) << "stopped while the page is open";
        page->FormatList()->setCurrentIndex(
            page->FormatList()->findText("YUYV", Qt::MatchStartsWith));
        page->SizeList()->setCurrentIndex(page->SizeList()->findText("1280 × 720"));
        page->RateList()->setCurrentIndex(page->RateList()->findText("15 fps"));
        page->accept();
    });
    EXPECT_EQ(ShowCapturePropertyPages(1, nullptr), 1);
    const CaptureFormat chosen{Fourcc::kYUYV, 1280, 720, {1, 15}};
    const CCaptureConfigBlock block = EncodeCaptureConfig(chosen);
    EXPECT_EQ(ReadFile(folder.filePath("CapConfig.dat")),
              QByteArray(reinterpret_cast<const char*>(block.data()), kCaptureConfigBytes));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(g_captureSession.running, 1);
    EXPECT_EQ(g_captureShared.frameWidth, 1280u);
    FreshLevel();
    std::lock_guard lock(probe->mutex);
    EXPECT_EQ(probe->width, 1280);
}

} // namespace
