#include "capture/CaptureSession.h"
#include "capture/ui/CSelectDeviceDlg.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/capture/v4l2/MicroscopeFixture.h"
#include "tests/support/TestEnvironment.h"

#include <cerrno>
#include <linux/videodev2.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

// The camera dialogs over the kernel backend, clicked through offscreen.

namespace {

class V4l2DialogsTest : public MicroscopeTest {
protected:
    V4l2DialogsTest() {
        std::vector<std::unique_ptr<ICaptureBackend>> hardware;
        hardware.push_back(Backend());
        ResetCaptureState(std::move(hardware));
    }
    ~V4l2DialogsTest() override { ResetCaptureState(); }

    void BindMicroscope() {
        CreateDeviceEnumerator();
        ASSERT_EQ(EnumerateVideoDevices(), 1);
        ChooseVideoDevice(0);
        ASSERT_EQ(BindSelectedDevice(), 1);
    }

    ScopedProgramFolder folder;
};

} // namespace

TEST_F(V4l2DialogsTest, PickingACameraWithoutAccessShowsTheAdviceAndWaits) {
    fake.FailOpen("/dev/video0", EACCES);
    (*nodes)[0].product = "USB Microscope";
    (*nodes)[0].capabilities = ":capture:";
    CSelectDeviceDlg dialog;
    dialog.show();
    QComboBox* list = dialog.CameraList();
    const int row = list->findText("USB Microscope (no access)");
    ASSERT_GE(row, 0);
    list->setCurrentIndex(row);
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.Problem()->isVisible());
    EXPECT_TRUE(dialog.Problem()->text().contains("\"video\" group"))
        << dialog.Problem()->text().toStdString();

    // Another camera clears the complaint and can be taken.
    list->setCurrentIndex(row == 0 ? 1 : 0);
    EXPECT_FALSE(dialog.Problem()->isVisible());
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}
