#include "tests/capture/v4l2/MicroscopeFixture.h"

#include <linux/videodev2.h>
#include <turbojpeg.h>

namespace {

CFakeUvcCamera::Format Discrete(std::uint32_t fourcc, const char* description,
                                std::vector<CFakeUvcCamera::Size> sizes) {
    CFakeUvcCamera::Format format;
    format.fourcc = fourcc;
    format.description = description;
    format.sizes = std::move(sizes);
    return format;
}

CFakeUvcCamera::Control Make(std::uint32_t id, std::uint32_t type, const char* name,
                             std::int64_t minimum = 0, std::int64_t maximum = 0,
                             std::int64_t defaultValue = 0) {
    CFakeUvcCamera::Control control;
    control.id = id;
    control.type = type;
    control.name = name;
    control.minimum = minimum;
    control.maximum = maximum;
    control.defaultValue = defaultValue;
    return control;
}

} // namespace

MicroscopeTest::MicroscopeTest()
    : nodes(std::make_shared<std::vector<V4l2Node>>()) {
    fake.AddCaptureNode("/dev/video0", "USB Microscope");
    fake.AddMetadataNode("/dev/video1");
    fake.AddButtonNode(kButton);
    nodes->push_back({"/dev/video0", kById, "pci-0000:00:14.0-usb-0:2:1.0", kButton});
    nodes->push_back({"/dev/video1", "", "pci-0000:00:14.0-usb-0:2:1.0", kButton});

    CFakeUvcCamera::Format mjpg;
    mjpg.fourcc = V4L2_PIX_FMT_MJPEG;
    mjpg.description = "Motion-JPEG";
    mjpg.sizes = {{640, 480}, {1280, 720, {{1, 10}, {1, 5}}}, {64, 32}};
    mjpg.intervals = {{1, 15}, {1, 30}, {1, 5}};
    CFakeUvcCamera::Format yuyv;
    yuyv.fourcc = V4L2_PIX_FMT_YUYV;
    yuyv.description = "YUYV 4:2:2";
    yuyv.stepwise = true;
    yuyv.minSize = {64, 32};
    yuyv.maxSize = {1920, 1080};
    yuyv.step = {16, 8};
    yuyv.continuousRates = true;
    yuyv.intervals = {{1, 30}, {1, 5}};
    CFakeUvcCamera::Format h264;
    h264.fourcc = V4L2_PIX_FMT_H264;
    h264.description = "H.264";
    h264.sizes = {{640, 480}};
    const auto uyvy = Discrete(V4L2_PIX_FMT_UYVY, "UYVY", {{64, 32}});
    const auto yvyu = Discrete(V4L2_PIX_FMT_YVYU, "YVYU", {{64, 32}});
    const auto yu12 = Discrete(V4L2_PIX_FMT_YUV420, "Planar YUV 4:2:0", {{64, 32}});
    fake.formats = {mjpg, yuyv, h264, uyvy, yvyu, yu12};
    fake.fourcc = V4L2_PIX_FMT_MJPEG;

    using Control = CFakeUvcCamera::Control;
    Control brightness =
        Make(V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 0);
    brightness.value = 10;
    brightness.step = 2;
    Control classHeader = Make(V4L2_CID_USER_CLASS, V4L2_CTRL_TYPE_CTRL_CLASS, "User Controls");
    Control autoExposure =
        Make(V4L2_CID_EXPOSURE_AUTO, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 3, 3);
    autoExposure.value = 3;
    autoExposure.menu = {"", "Manual Mode", "", "Aperture Priority Mode"};
    Control exposure = Make(V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER,
                            "Exposure Time, Absolute", 3, 2047, 250);
    exposure.activeWith = V4L2_CID_EXPOSURE_AUTO; // settable in manual mode only
    exposure.activeWhen = 1;
    exposure.value = 250;
    Control gain = Make(V4L2_CID_GAIN, V4L2_CTRL_TYPE_INTEGER, "Gain", 0, 100, 0);
    gain.refuseWith = EBUSY;
    gain.value = 7;
    Control status = Make(V4L2_CID_PRIVACY, V4L2_CTRL_TYPE_BOOLEAN, "Privacy", 0, 1, 0);
    status.flags = V4L2_CTRL_FLAG_READ_ONLY;
    Control disabled = Make(V4L2_CID_HUE, V4L2_CTRL_TYPE_INTEGER, "Hue", -10, 10, 0);
    disabled.flags = V4L2_CTRL_FLAG_DISABLED;
    Control zoom = Make(V4L2_CID_ZOOM_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER_MENU, "Zoom", 0, 1, 0);
    zoom.menu = {"1", "4"};
    fake.controls = {classHeader, brightness, gain, disabled, autoExposure, exposure, status, zoom};
}

std::unique_ptr<CV4l2Backend> MicroscopeTest::Backend() {
    return std::make_unique<CV4l2Backend>(fake.Calls(), std::make_unique<CFakeNodeSource>(nodes));
}

std::unique_ptr<ICaptureDevice> MicroscopeTest::OpenMicroscope() {
    std::string error;
    auto device = Backend()->Open(kById, error);
    EXPECT_TRUE(device) << error;
    return device;
}

std::vector<std::uint8_t> TwoToneJpeg(int width, int height) {
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = &bgr[(static_cast<std::size_t>(y) * width + x) * 3];
            const bool top = y < height / 2;
            pixel[0] = top ? 0 : 255;
            pixel[1] = 0;
            pixel[2] = top ? 255 : 0;
        }
    }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, bgr.data(), width, width * 3, height, TJPF_BGR, &jpeg, &size, TJSAMP_422,
                95, 0);
    std::vector<std::uint8_t> bytes(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(handle);
    return bytes;
}

std::vector<std::uint8_t> WithoutHuffmanTables(const std::vector<std::uint8_t>& jpeg) {
    std::vector<std::uint8_t> bare(jpeg.begin(), jpeg.begin() + 2);
    std::size_t at = 2;
    // Segments up to the scan: each a marker and a big-endian length.
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
        const std::size_t length = (std::size_t{jpeg[at + 2]} << 8) | jpeg[at + 3];
        if (jpeg[at + 1] != 0xC4) {
            bare.insert(bare.end(), jpeg.begin() + at, jpeg.begin() + at + 2 + length);
        }
        at += 2 + length;
    }
    bare.insert(bare.end(), jpeg.begin() + at, jpeg.end());
    return bare;
}

std::vector<std::uint8_t> WithoutEndMarker(const std::vector<std::uint8_t>& jpeg) {
    return {jpeg.begin(), jpeg.end() - 2};
}

CV4l2Device& V4l2(ICaptureDevice& device) {
    return dynamic_cast<CV4l2Device&>(device);
}

std::vector<std::uint8_t> TwoTonePacked(std::uint32_t fourcc, int width, int height) {
    // Red is Y 81, U 90, V 240; blue is Y 41, U 240, V 110 (BT.601, video range).
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height * 2);
    for (int y = 0; y < height; ++y) {
        const bool top = y < height / 2;
        const std::uint8_t luma = top ? 81 : 41;
        const std::uint8_t u = top ? 90 : 240;
        const std::uint8_t v = top ? 240 : 110;
        for (int x = 0; x < width; x += 2) {
            std::uint8_t* pair = &frame[(static_cast<std::size_t>(y) * width + x) * 2];
            if (fourcc == V4L2_PIX_FMT_YUYV) {
                pair[0] = luma, pair[1] = u, pair[2] = luma, pair[3] = v;
            } else if (fourcc == V4L2_PIX_FMT_UYVY) {
                pair[0] = u, pair[1] = luma, pair[2] = v, pair[3] = luma;
            } else {
                pair[0] = luma, pair[1] = v, pair[2] = luma, pair[3] = u;
            }
        }
    }
    return frame;
}
