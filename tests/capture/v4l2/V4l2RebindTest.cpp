#include "capture/CaptureRefresh.h"
#include "capture/CaptureSession.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/capture/v4l2/MicroscopeFixture.h"

#include <linux/videodev2.h>

class RebindTest : public MicroscopeTest {
protected:
    ~RebindTest() override { ResetCaptureState(); }
};

TEST_F(RebindTest, TheChosenCameraIsBoundAgainByItsStableIdAfterAReplug) {
    std::vector<std::unique_ptr<ICaptureBackend>> hardware;
    hardware.push_back(Backend());
    ResetCaptureState(std::move(hardware));
    CreateDeviceEnumerator();
    ASSERT_EQ(EnumerateVideoDevices(), 1);
    ASSERT_EQ(g_captureSession.devices[0].displayName, kById);
    ChooseVideoDevice(0);
    ASSERT_EQ(BindSelectedDevice(), 1);
    EXPECT_EQ(g_captureShared.stillPinAvailable, 1);
    const std::string id = ChosenDeviceId();
    CloseCaptureGraph();

    // Replugged: a camera whose name sorts first took /dev/video0 (and slot
    // 0); ours is now /dev/video5 in slot 1.
    fake.RemoveNode("/dev/video0");
    fake.AddCaptureNode("/dev/video0", "Another Camera");
    fake.AddCaptureNode("/dev/video5", "USB Microscope");
    *nodes = {{"/dev/video0", "/dev/v4l/by-id/usb-Aaa_Camera-video-index0", "", ""},
              {"/dev/video5", kById, "pci-0000:00:14.0-usb-0:1:1.0", kButton}};
    ASSERT_EQ(EnumerateAndChooseAgain(id), 1);
    ASSERT_NE(g_captureSession.chosen, nullptr);
    EXPECT_EQ(g_captureShared.chosenDeviceIndex, 1);
    ASSERT_EQ(BindSelectedDevice(), 1);
    EXPECT_EQ(fake.OpenedPaths().back(), "/dev/video5");
    EXPECT_EQ(g_captureSession.camera->Info().friendlyName, "USB Microscope");
    CloseCaptureGraph();

    // Unplugged for good: nothing is chosen, so nothing else gets bound.
    nodes->erase(nodes->begin() + 1);
    EnumerateAndChooseAgain(id);
    EXPECT_EQ(g_captureSession.chosen, nullptr);
    EXPECT_EQ(BindSelectedDevice(), 0);
}
