#include "capture/CaptureSession.h"
#include "capture/ui/CCaptureControlsDlg.h"
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
#include <QSlider>
#include <QSpinBox>
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

// The spin box's value once the page has read the camera back.
int Settled(QSpinBox* box, int expected) {
    for (int i = 0; i < 200 && box->value() != expected; ++i) {
        QTest::qWait(10);
    }
    return box->value();
}

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

TEST_F(V4l2DialogsTest, ARefusedControlSaysWhyBesideItAndSpringsBack) {
    BindMicroscope();
    CCaptureControlsDlg page;
    page.show();
    auto* gain = qobject_cast<QSpinBox*>(page.Editor(V4L2_CID_GAIN));
    ASSERT_NE(gain, nullptr);
    const struct {
        int error;
        const char* says;
    } cases[] = {{EIO, "did not answer"}, {ERANGE, "refused the value"}, {EBUSY, "busy"}};
    for (const auto& c : cases) {
        fake.controls[2].refuseWith = c.error;
        gain->setValue(gain->value() + 10);
        QLabel* refusal = page.Refusal(V4L2_CID_GAIN);
        EXPECT_TRUE(refusal->isVisible()) << c.says;
        EXPECT_TRUE(refusal->text().contains(c.says)) << refusal->text().toStdString();
        EXPECT_EQ(Settled(gain, 7), 7); // the camera's value again
    }
    fake.controls[2].refuseWith = 0;
    gain->setValue(20);
    EXPECT_FALSE(page.Refusal(V4L2_CID_GAIN)->isVisible());
}

// A slider dragged over a camera with many controls must not read them all
// back at every step.
TEST_F(V4l2DialogsTest, SliderStepsCostTheSameWhateverTheNumberOfControls) {
    for (std::uint32_t i = 0; i < 30; ++i) {
        CFakeUvcCamera::Control extra;
        extra.id = V4L2_CID_USER_BASE + 0x1000 + i;
        extra.type = V4L2_CTRL_TYPE_INTEGER;
        extra.name = "Setting " + std::to_string(i);
        extra.maximum = 100;
        fake.controls.push_back(extra);
    }
    BindMicroscope();
    CCaptureControlsDlg page;
    page.show();
    auto* brightness = qobject_cast<QSpinBox*>(page.Editor(V4L2_CID_BRIGHTNESS));
    ASSERT_NE(brightness, nullptr);
    auto* slider = page.findChildren<QSlider*>().front();
    ASSERT_EQ(slider->maximum(), 64);

    constexpr int kSteps = 10;
    const int before = fake.IoctlCalls();
    for (int step = 1; step <= kSteps; ++step) {
        slider->setValue(9 + step * 3);
    }
    EXPECT_LE(fake.IoctlCalls() - before, kSteps * 4);
    EXPECT_EQ(brightness->value(), 39) << "the spin box follows the slider";
    // Once the steps pause, the page shows what the camera took (it rounds
    // to its steps of 2).
    EXPECT_EQ(Settled(brightness, 40), 40);
    EXPECT_EQ(fake.controls[1].value, 40);
}
