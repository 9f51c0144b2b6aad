#include "capture/v4l2/V4l2Formats.h"
#include "capture/v4l2/V4l2Nodes.h"
#include "tests/capture/v4l2/MicroscopeFixture.h"

#include <algorithm>
#include <cerrno>
#include <linux/input-event-codes.h>
#include <linux/videodev2.h>

namespace {

const CaptureControl* Find(const std::vector<CaptureControl>& controls, std::uint32_t id) {
    const auto found = std::find_if(controls.begin(), controls.end(),
                                    [id](const CaptureControl& c) { return c.id == id; });
    return found == controls.end() ? nullptr : &*found;
}

} // namespace

TEST_F(MicroscopeTest, ListsCaptureNodesByStableNameAndSkipsMetadataAndDeadNodes) {
    fake.AddCaptureNode("/dev/video2", "Second Camera");
    nodes->push_back({"/dev/video2", "", "pci-0000:00:14.0-usb-0:3:1.0", ""});
    nodes->push_back({"/dev/video9", "", "", ""}); // listed by udev, gone when opened
    const auto devices = Backend()->ListDevices();
    ASSERT_TRUE(devices);
    ASSERT_EQ(devices->size(), 2U);
    EXPECT_EQ((*devices)[0].id, kById);
    EXPECT_EQ((*devices)[0].friendlyName, "USB Microscope");
    EXPECT_TRUE((*devices)[0].hasStillSource);
    EXPECT_EQ((*devices)[1].id, "pci-0000:00:14.0-usb-0:3:1.0"); // no by-id link: its port
    EXPECT_FALSE((*devices)[1].hasStillSource);
    EXPECT_EQ(fake.OpenFds(), 0); // listing leaves nothing open
}

TEST_F(MicroscopeTest, TwoCamerasSharingAByIdNameAreToldApartByPort) {
    fake.AddCaptureNode("/dev/video2", "USB Microscope");
    nodes->push_back({"/dev/video2", kById, "pci-0000:00:14.0-usb-0:3:1.0", ""});
    const auto devices = Backend()->ListDevices();
    ASSERT_EQ(devices->size(), 2U);
    EXPECT_NE((*devices)[0].id, (*devices)[1].id);
}

TEST_F(MicroscopeTest, ACameraTheUserMayNotOpenIsListedWithTheAdvice) {
    for (const int refusal : {EACCES, EPERM}) {
        fake.FailOpen("/dev/video0", refusal);
        fake.FailOpen("/dev/video1", refusal);
        (*nodes)[0].product = "USB Microscope";
        (*nodes)[0].capabilities = ":capture:";
        (*nodes)[1].capabilities = ":"; // the metadata node stays out
        auto backend = Backend();
        const auto devices = backend->ListDevices();
        ASSERT_EQ(devices->size(), 1U);
        EXPECT_EQ((*devices)[0].id, kById);
        EXPECT_EQ((*devices)[0].friendlyName, "USB Microscope (no access)");
        std::string error;
        EXPECT_FALSE(backend->Open(kById, error));
        EXPECT_NE(error.find("\"video\" group"), std::string::npos) << error;
    }
}

// Two identical cameras without serial numbers share one by-id link, which
// follows whichever enumerated first: each is known by its port instead, so
// unplugging one leaves the other's name alone.
TEST_F(MicroscopeTest, IdenticalCamerasWithoutSerialNumbersAreKnownByTheirPorts) {
    const std::string shared = "/dev/v4l/by-id/usb-Generic_Microscope-video-index0";
    const std::string first = "pci-0000:00:14.0-usb-0:2:1.0";
    const std::string second = "pci-0000:00:14.0-usb-0:3:1.0";
    fake.AddCaptureNode("/dev/video2", "USB Microscope");
    V4l2Node one{"/dev/video0", shared, first, kButton};
    V4l2Node two{"/dev/video2", shared, second, ""};
    one.hasSerial = two.hasSerial = false;
    *nodes = {one, two};
    auto backend = Backend();
    const auto both = backend->ListDevices();
    ASSERT_EQ(both->size(), 2U);
    EXPECT_EQ((*both)[0].id, first);
    EXPECT_EQ((*both)[1].id, second);

    *nodes = {two};
    const auto left = backend->ListDevices();
    ASSERT_EQ(left->size(), 1U);
    EXPECT_EQ((*left)[0].id, second);
    std::string error;
    EXPECT_FALSE(backend->Open(first, error));
    ASSERT_TRUE(backend->Open(second, error)) << error;
    EXPECT_EQ(fake.OpenedPaths().back(), "/dev/video2");
}

TEST_F(MicroscopeTest, FindsTheCameraAgainByItsStableNameAfterAReplug) {
    auto backend = Backend();
    std::string error;
    EXPECT_TRUE(backend->Open(kById, error));

    // Unplugged and plugged in again: another camera took /dev/video0 and
    // ours came back as /dev/video4.
    fake.RemoveNode("/dev/video0");
    fake.AddCaptureNode("/dev/video0", "Other Camera");
    fake.AddCaptureNode("/dev/video4", "USB Microscope");
    *nodes = {{"/dev/video0", "/dev/v4l/by-id/usb-Other-video-index0", "", ""},
              {"/dev/video4", kById, "pci-0000:00:14.0-usb-0:4:1.0", kButton}};
    auto device = backend->Open(kById, error);
    ASSERT_TRUE(device) << error;
    EXPECT_EQ(device->Info().friendlyName, "USB Microscope");
    EXPECT_EQ(fake.OpenedPaths().back(), "/dev/video4");

    nodes->clear();
    EXPECT_FALSE(backend->Open(kById, error));
    EXPECT_FALSE(error.empty());
}

TEST_F(MicroscopeTest, OffersDiscreteAndStepwiseSizesWithTheirRatesAndOnlyFormatsItCanShow) {
    auto device = OpenMicroscope();
    const auto formats = device->Formats();
    std::vector<std::uint32_t> codes;
    for (const auto& format : formats) {
        codes.push_back(format.fourcc);
    }
    EXPECT_EQ(codes,
              (std::vector<std::uint32_t>{V4L2_PIX_FMT_MJPEG, V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_UYVY,
                                          V4L2_PIX_FMT_YVYU, V4L2_PIX_FMT_YUV420}));
    const auto& mjpg = formats[0];
    EXPECT_EQ(mjpg.description, "Motion-JPEG");
    ASSERT_EQ(mjpg.sizes.size(), 3U);
    EXPECT_EQ(mjpg.sizes[1].width, 1280);
    // Fastest rate first, whatever order the driver gave.
    EXPECT_EQ(mjpg.sizes[0].intervals, (std::vector<FrameInterval>{{1, 30}, {1, 15}, {1, 5}}));

    const auto& yuyv = formats[1];
    ASSERT_GE(yuyv.sizes.size(), 3U);
    EXPECT_EQ(yuyv.sizes.front().width, 64);
    EXPECT_EQ(yuyv.sizes.back().width, 1920);
    for (const auto& size : yuyv.sizes) {
        EXPECT_EQ((size.width - 64) % 16, 0) << size.width;
        EXPECT_EQ((size.height - 32) % 8, 0) << size.height;
    }
    EXPECT_TRUE(std::any_of(yuyv.sizes.begin(), yuyv.sizes.end(),
                            [](const auto& s) { return s.width == 640 && s.height == 480; }));
    EXPECT_EQ(yuyv.sizes[0].intervals.front(), (FrameInterval{1, 30}));
    EXPECT_EQ(yuyv.sizes[0].intervals.back(), (FrameInterval{1, 5}));
}

TEST(V4l2SizesInRange, KeepsOnlyAlignedCommonSizesAndRejectsEmptyRanges) {
    EXPECT_EQ(SizesInRange(640, 640, 8, 480, 480, 8),
              (std::vector<std::pair<int, int>>{{640, 480}}));
    const auto sizes = SizesInRange(100, 1000, 300, 100, 1000, 300);
    EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{100, 100}, {1000, 1000}}));
    EXPECT_TRUE(SizesInRange(0, 100, 1, 0, 100, 1).empty());
    EXPECT_TRUE(SizesInRange(200, 100, 1, 10, 100, 1).empty());
}

TEST_F(MicroscopeTest, SetsTheFormatTheCameraTakesAndRefusesWhatItCannotShow) {
    auto device = OpenMicroscope();
    EXPECT_TRUE(device->SetFormat({V4L2_PIX_FMT_YUYV, 1000, 600, {1, 15}}));
    const auto current = device->CurrentFormat();
    ASSERT_TRUE(current);
    // The driver rounds to its steps.
    EXPECT_EQ(*current, (CaptureFormat{V4L2_PIX_FMT_YUYV, 992, 600, {1, 15}}));

    EXPECT_FALSE(device->SetFormat({V4L2_PIX_FMT_H264, 640, 480, {1, 30}}));
    fake.formats.erase(fake.formats.begin() + 1); // YUYV gone: the driver picks MJPG
    const CaptureStatus refused = device->SetFormat({V4L2_PIX_FMT_YUYV, 640, 480, {1, 30}});
    EXPECT_FALSE(refused);
    EXPECT_FALSE(refused.message.empty());
}

TEST_F(MicroscopeTest, ReadsControlsWithTheirFlagsMenusAndValues) {
    auto device = OpenMicroscope();
    const auto controls = device->Controls();
    EXPECT_EQ(controls.size(), 6U); // no class header, no disabled control
    EXPECT_EQ(Find(controls, V4L2_CID_HUE), nullptr);

    const CaptureControl* brightness = Find(controls, V4L2_CID_BRIGHTNESS);
    ASSERT_NE(brightness, nullptr);
    EXPECT_EQ(brightness->kind, ControlKind::Integer);
    EXPECT_EQ(brightness->minimum, -64);
    EXPECT_EQ(brightness->value, 10);

    const CaptureControl* autoExposure = Find(controls, V4L2_CID_EXPOSURE_AUTO);
    ASSERT_NE(autoExposure, nullptr);
    EXPECT_EQ(autoExposure->kind, ControlKind::Menu);
    ASSERT_EQ(autoExposure->menu.size(), 2U); // the gaps are left out
    EXPECT_EQ(autoExposure->menu[0].value, 1);
    EXPECT_EQ(autoExposure->menu[1].name, "Aperture Priority Mode");

    EXPECT_TRUE(Find(controls, V4L2_CID_EXPOSURE_ABSOLUTE)->inactive);
    EXPECT_TRUE(Find(controls, V4L2_CID_PRIVACY)->readOnly);
    const CaptureControl* zoom = Find(controls, V4L2_CID_ZOOM_ABSOLUTE);
    ASSERT_EQ(zoom->menu.size(), 2U);
    EXPECT_EQ(zoom->menu[1].name, "4");

    // A driver without the extended query answers the plain one the same.
    fake.extendedQueries = false;
    const auto plain = device->Controls();
    ASSERT_EQ(plain.size(), controls.size());
    EXPECT_EQ(Find(plain, V4L2_CID_EXPOSURE_AUTO)->menu.size(), 2U);
}

TEST_F(MicroscopeTest, RefusedControlsSayWhyAndKeepTheirValue) {
    auto device = OpenMicroscope();
    EXPECT_TRUE(device->SetControl(V4L2_CID_BRIGHTNESS, -20));
    EXPECT_EQ(Find(device->Controls(), V4L2_CID_BRIGHTNESS)->value, -20);

    const int callsBefore = fake.SetControlCalls();
    EXPECT_FALSE(device->SetControl(V4L2_CID_BRIGHTNESS, 65));         // out of range
    EXPECT_FALSE(device->SetControl(V4L2_CID_EXPOSURE_AUTO, 2));       // not in the menu
    EXPECT_FALSE(device->SetControl(V4L2_CID_EXPOSURE_ABSOLUTE, 100)); // inactive
    EXPECT_FALSE(device->SetControl(V4L2_CID_PRIVACY, 1));             // read-only
    EXPECT_FALSE(device->SetControl(V4L2_CID_HUE, 0));                 // disabled
    EXPECT_FALSE(device->SetControl(0x00ABCDEF, 0));                   // unknown
    EXPECT_EQ(fake.SetControlCalls(), callsBefore); // none of them reached the driver

    const CaptureStatus busy = device->SetControl(V4L2_CID_GAIN, 50);
    EXPECT_FALSE(busy);
    EXPECT_NE(busy.message.find("busy"), std::string::npos) << busy.message;
    EXPECT_EQ(Find(device->Controls(), V4L2_CID_GAIN)->value, 7);

    // Manual exposure makes the exposure time settable.
    EXPECT_TRUE(device->SetControl(V4L2_CID_EXPOSURE_AUTO, 1));
    fake.controls[5].flags = 0;
    EXPECT_TRUE(device->SetControl(V4L2_CID_EXPOSURE_ABSOLUTE, 100));
}

TEST(V4l2KeyBitmap, FindsTheCameraKeyInSysfsWords) {
    // KEY_CAMERA is 212: bit 20 of the fourth 64-bit word.
    EXPECT_TRUE(KeyBitmapHas("100000 0 0 0", KEY_CAMERA, 64));
    EXPECT_FALSE(KeyBitmapHas("200000 0 0 0", KEY_CAMERA, 64));
    EXPECT_FALSE(KeyBitmapHas("0 0", KEY_CAMERA, 64));
    EXPECT_TRUE(KeyBitmapHas("100000 0 0 0 0 0 0\n", KEY_CAMERA, 32));
    EXPECT_FALSE(KeyBitmapHas("zz 0 0 0", KEY_CAMERA, 64));
    EXPECT_FALSE(KeyBitmapHas("", KEY_CAMERA));
}
