#include "capture/VirtualMicroscope.h"

#include "capture/VirtualMicroscopeDevice.h"

#include <algorithm>
#include <chrono>
#include <turbojpeg.h>

namespace {

constexpr std::array<std::array<int, 2>, 4> kSizes{
    {{640, 480}, {1280, 720}, {1920, 1080}, {2592, 1944}}};
constexpr std::array<std::uint32_t, 6> kRates{30, 25, 20, 15, 10, 5};
constexpr int kJpegQuality = 85;
constexpr const char* kUnplugged = "The camera is no longer connected.";

CaptureStatus BusyStatus() {
    return CaptureStatus::Failure("The camera is busy: another program is using it.",
                                  CaptureFailure::Busy);
}

std::uint8_t Clamp(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// Top-down BGR (no padding) to YUYV, limited-range BT.601 as cameras send it.
void BgrToYuyv(const std::vector<std::uint8_t>& bgr, int width, int height,
               std::vector<std::uint8_t>& yuyv) {
    const std::size_t rowOut = static_cast<std::size_t>(width + 1) / 2 * 4;
    yuyv.assign(rowOut * height, 0);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = &bgr[static_cast<std::size_t>(y) * width * 3];
        std::uint8_t* out = &yuyv[static_cast<std::size_t>(y) * rowOut];
        for (int x = 0; x < width; x += 2, out += 4) {
            const std::uint8_t* p0 = in + static_cast<std::size_t>(x) * 3;
            const std::uint8_t* p1 = x + 1 < width ? p0 + 3 : p0;
            auto luma = [](const std::uint8_t* p) {
                return Clamp(((66 * p[2] + 129 * p[1] + 25 * p[0] + 128) >> 8) + 16);
            };
            const int b = (p0[0] + p1[0]) / 2;
            const int g = (p0[1] + p1[1]) / 2;
            const int r = (p0[2] + p1[2]) / 2;
            out[0] = luma(p0);
            out[1] = Clamp(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
            out[2] = luma(p1);
            out[3] = Clamp(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
        }
    }
}

bool Offered(const CaptureFormat& format) {
    if (format.fourcc != Fourcc::kMJPG && format.fourcc != Fourcc::kYUYV) {
        return false;
    }
    const bool size = std::any_of(kSizes.begin(), kSizes.end(), [&](const auto& s) {
        return s[0] == format.width && s[1] == format.height;
    });
    const bool rate = std::any_of(kRates.begin(), kRates.end(), [&](std::uint32_t r) {
        return format.interval == FrameInterval{1, r};
    });
    return size && rate;
}

class CVirtualMicroscopeBackend : public ICaptureBackend {
public:
    std::optional<std::vector<CaptureDeviceInfo>> ListDevices() override {
        return std::vector<CaptureDeviceInfo>{
            {VirtualMicroscope::kId, VirtualMicroscope::kName, true}};
    }
    std::unique_ptr<ICaptureDevice> Open(const std::string& id, std::string& error) override {
        if (id != VirtualMicroscope::kId) {
            error = "no such camera: " + id;
            return nullptr;
        }
        // Read at each opening, so that a test or a user can change the
        // faults between two sessions of one process.
        return std::make_unique<CVirtualMicroscopeDevice>(VirtualFaultsFromEnvironment(),
                                                          VirtualDriftFromEnvironment());
    }
};

} // namespace

std::unique_ptr<ICaptureBackend> MakeVirtualMicroscopeBackend() {
    return std::make_unique<CVirtualMicroscopeBackend>();
}

std::vector<std::uint8_t> VirtualMicroscopeWireFrame(const CaptureFormat& format,
                                                     std::uint64_t index) {
    CVirtualWire wire;
    std::vector<std::uint8_t> bytes;
    wire.Make(format, index, VirtualPictureSettings{}, bytes);
    return bytes;
}

CVirtualWire::CVirtualWire() = default;

CVirtualWire::~CVirtualWire() {
    if (m_encoder != nullptr) {
        tjDestroy(static_cast<tjhandle>(m_encoder));
    }
}

bool CVirtualWire::Make(const CaptureFormat& format, std::uint64_t index,
                        const VirtualPictureSettings& settings, std::vector<std::uint8_t>& wire) {
    m_picture.Render(format.width, format.height, index, settings, m_bgr);
    if (format.fourcc == Fourcc::kYUYV) {
        BgrToYuyv(m_bgr, format.width, format.height, wire);
        return true;
    }
    if (m_encoder == nullptr) {
        m_encoder = tjInitCompress();
        if (m_encoder == nullptr) {
            return false;
        }
    }
    auto handle = static_cast<tjhandle>(m_encoder);
    const unsigned long bound =
        tjBufSize(format.width, format.height, TJSAMP_422) + 0; // enough for any quality
    wire.resize(bound);
    unsigned char* out = wire.data();
    unsigned long size = bound;
    // Cameras send 4:2:2; the buffer is ours, so the library must not grow it.
    if (tjCompress2(handle, m_bgr.data(), format.width, format.width * 3, format.height, TJPF_BGR,
                    &out, &size, TJSAMP_422, kJpegQuality,
                    TJFLAG_NOREALLOC | TJFLAG_FASTDCT) != 0) {
        return false;
    }
    wire.resize(size);
    return true;
}

CVirtualMicroscopeDevice::CVirtualMicroscopeDevice(CVirtualFaults faults,
                                                   std::array<double, 2> drift)
    : m_info{VirtualMicroscope::kId, VirtualMicroscope::kName, true}
    , m_faults(std::move(faults))
    , m_format{Fourcc::kMJPG, 640, 480, {1, 30}} {
    m_settings.driftX = drift[0];
    m_settings.driftY = drift[1];
    // Most cameras start uncompressed; with the bandwidth fault the virtual
    // one does too, so that asking only for a larger size meets the fault.
    if (m_faults.bandwidth) {
        m_format.fourcc = Fourcc::kYUYV;
    }
}

CVirtualMicroscopeDevice::~CVirtualMicroscopeDevice() {
    StopStreaming();
}

std::vector<CaptureFormatDesc> CVirtualMicroscopeDevice::Formats() const {
    std::vector<CaptureFormatDesc> formats;
    for (const auto& [fourcc, text] :
         {std::pair{Fourcc::kMJPG, "Motion-JPEG"}, std::pair{Fourcc::kYUYV, "YUYV 4:2:2"}}) {
        CaptureFormatDesc desc{fourcc, text, {}};
        for (const auto& size : kSizes) {
            CaptureFrameSize frameSize{size[0], size[1], {}};
            for (std::uint32_t rate : kRates) {
                frameSize.intervals.push_back({1, rate});
            }
            desc.sizes.push_back(frameSize);
        }
        formats.push_back(desc);
    }
    return formats;
}

std::optional<CaptureFormat> CVirtualMicroscopeDevice::CurrentFormat() const {
    std::lock_guard lock(m_mutex);
    return m_format;
}

CaptureStatus CVirtualMicroscopeDevice::SetFormat(const CaptureFormat& format) {
    if (IsStreaming()) {
        return CaptureStatus::Failure("the camera is streaming");
    }
    if (m_faults.busy) {
        return BusyStatus();
    }
    if (!Offered(format)) {
        return CaptureStatus::Failure("the camera does not offer " +
                                      Fourcc::ToString(format.fourcc) + " at that size and rate");
    }
    std::lock_guard lock(m_mutex);
    m_format = format;
    return CaptureStatus::Success();
}

std::vector<CaptureControl> CVirtualMicroscopeDevice::Controls() const {
    using namespace VirtualMicroscope;
    const VirtualPictureSettings defaults;
    std::lock_guard lock(m_mutex);
    const VirtualPictureSettings& s = m_settings;
    auto integer = [](std::uint32_t id, const char* name, int min, int max, int def, int value) {
        return CaptureControl{id,    name, ControlKind::Integer, min, max, 1, def, value, false,
                              false, {}};
    };
    std::vector<CaptureControl> controls{
        integer(kBrightness, "Brightness", -64, 64, defaults.brightness, s.brightness),
        integer(kContrast, "Contrast", 0, 64, defaults.contrast, s.contrast),
        integer(kSaturation, "Saturation", 0, 128, defaults.saturation, s.saturation),
        integer(kGain, "Gain", 0, 100, defaults.gain, s.gain),
        {kExposureAuto,
         "Auto Exposure",
         ControlKind::Menu,
         1,
         3,
         1,
         3,
         s.exposureAuto ? 3 : 1,
         false,
         false,
         {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}},
        integer(kExposure, "Exposure Time, Absolute", 5, 1000, defaults.exposure, s.exposure),
        integer(kWhiteBalance, "White Balance Temperature", 2800, 6500, defaults.whiteBalance,
                s.whiteBalance),
        {kPowerLine,
         "Power Line Frequency",
         ControlKind::Menu,
         0,
         2,
         1,
         1,
         m_powerLine,
         false,
         false,
         {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}}},
        {kCameraButton,
         "Press the camera button",
         ControlKind::Button,
         0,
         0,
         0,
         0,
         0,
         false,
         false,
         {}},
        {kScene,
         "Scene",
         ControlKind::Menu,
         0,
         2,
         1,
         defaults.scene,
         s.scene,
         false,
         false,
         {{VirtualScene::kTestCard, "Test card"},
          {VirtualScene::kTiltedSpecimen, "Tilted specimen"},
          {VirtualScene::kSlide, "Slide"}}},
        integer(kFocus, "Focus, Absolute", 0, 1000, defaults.focus, s.focus),
        integer(kPan, "Pan, Absolute", -VirtualSlide::kWidth / 2, VirtualSlide::kWidth / 2,
                defaults.pan, s.pan),
        integer(kTilt, "Tilt, Absolute", -VirtualSlide::kHeight / 2, VirtualSlide::kHeight / 2,
                defaults.tilt, s.tilt),
    };
    controls[5].inactive = s.exposureAuto;
    controls[6].step = 10;
    return controls;
}

CaptureStatus CVirtualMicroscopeDevice::SetControl(std::uint32_t id, std::int32_t value) {
    const std::vector<CaptureControl> controls = Controls();
    const auto control = std::find_if(controls.begin(), controls.end(),
                                      [id](const CaptureControl& c) { return c.id == id; });
    if (control == controls.end()) {
        return CaptureStatus::Failure("no such control");
    }
    if (control->inactive) {
        return CaptureStatus::Failure(control->name + " is inactive");
    }
    if (control->kind == ControlKind::Button) {
        m_stillPressed = true;
        return CaptureStatus::Success();
    }
    const bool inMenu =
        control->kind != ControlKind::Menu ||
        std::any_of(control->menu.begin(), control->menu.end(),
                    [value](const ControlMenuItem& item) { return item.value == value; });
    if (value < control->minimum || value > control->maximum || !inMenu) {
        return CaptureStatus::Failure(control->name + ": value out of range");
    }
    std::lock_guard lock(m_mutex);
    switch (id) {
    case VirtualMicroscope::kBrightness:
        m_settings.brightness = value;
        break;
    case VirtualMicroscope::kContrast:
        m_settings.contrast = value;
        break;
    case VirtualMicroscope::kSaturation:
        m_settings.saturation = value;
        break;
    case VirtualMicroscope::kGain:
        m_settings.gain = value;
        break;
    case VirtualMicroscope::kExposureAuto:
        m_settings.exposureAuto = value == 3;
        break;
    case VirtualMicroscope::kExposure:
        m_settings.exposure = value;
        break;
    case VirtualMicroscope::kWhiteBalance:
        m_settings.whiteBalance = value;
        break;
    case VirtualMicroscope::kScene:
        m_settings.scene = value;
        break;
    case VirtualMicroscope::kFocus:
        m_settings.focus = value;
        break;
    case VirtualMicroscope::kPan:
        m_settings.pan = value;
        break;
    case VirtualMicroscope::kTilt:
        m_settings.tilt = value;
        break;
    default:
        m_powerLine = value;
        break;
    }
    return CaptureStatus::Success();
}

CaptureStatus CVirtualMicroscopeDevice::StartStreaming(CaptureCallbacks callbacks) {
    if (IsStreaming()) {
        return CaptureStatus::Failure("the camera is already streaming");
    }
    if (m_faults.busy) {
        return BusyStatus();
    }
    if (m_unplugged) {
        return CaptureStatus::Failure(kUnplugged);
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_faults.bandwidth && m_format.fourcc != Fourcc::kMJPG &&
            m_format.width * m_format.height > 640 * 480) {
            return CaptureStatus::Failure("The USB bus has not enough bandwidth for " +
                                              Fourcc::ToString(m_format.fourcc) + " at " +
                                              std::to_string(m_format.width) + "x" +
                                              std::to_string(m_format.height) + ".",
                                          CaptureFailure::Bandwidth);
        }
        m_stop = false;
    }
    m_stillPressed = false;
    m_thread = std::thread([this, callbacks = std::move(callbacks)] { Stream(callbacks); });
    return CaptureStatus::Success();
}

void CVirtualMicroscopeDevice::StopStreaming() {
    if (!m_thread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool CVirtualMicroscopeDevice::IsStreaming() const {
    return m_thread.joinable();
}

void CVirtualMicroscopeDevice::Stream(CaptureCallbacks callbacks) {
    using Clock = std::chrono::steady_clock;
    CVirtualWire wire;
    CFrameConverter converter;
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> bgr;
    std::string error;
    const Clock::time_point start = Clock::now();
    Clock::time_point due = start;
    for (std::uint64_t index = 0;; ++index) {
        CaptureFormat format;
        VirtualPictureSettings settings;
        {
            std::unique_lock lock(m_mutex);
            if (m_wake.wait_until(lock, due, [this] { return m_stop; })) {
                return;
            }
            format = m_format;
            settings = m_settings;
        }
        const auto interval =
            std::chrono::microseconds(1000000LL * format.interval.numerator /
                                      std::max<std::uint32_t>(1, format.interval.denominator));
        due += interval;
        const std::uint64_t life = m_sent;
        if (!Sends(life, callbacks) || !wire.Make(format, index, settings, bytes)) {
            continue;
        }
        ++m_sent;
        SpoilWireFrame(m_faults, format.fourcc, life, bytes);
        if (!converter.ToBgr(format.fourcc, bytes, format.width, format.height, bgr, error)) {
            if (callbacks.onDropped) {
                callbacks.onDropped(error);
            }
            continue;
        }
        CaptureFrame frame;
        frame.bgr = bgr.data();
        frame.bytes = bgr.size();
        frame.width = format.width;
        frame.height = format.height;
        frame.stride = BgrStride(format.width);
        if (format.fourcc == Fourcc::kMJPG) {
            frame.compressed = bytes;
        }
        frame.sourceFourcc = format.fourcc;
        frame.timestampUs =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
        frame.sequence = index;
        if (callbacks.onFrame) {
            callbacks.onFrame(frame);
        }
        if (m_stillPressed.exchange(false) && callbacks.onStill) {
            callbacks.onStill(frame);
        }
        // A slow consumer makes frames late, not bunched up afterwards.
        due = std::max(due, Clock::now());
    }
}

bool CVirtualMicroscopeDevice::Sends(std::uint64_t index, const CaptureCallbacks& callbacks) {
    if (m_unplugged) {
        return false;
    }
    if (m_faults.unplugAfter && index >= *m_faults.unplugAfter) {
        m_unplugged = true;
        if (callbacks.onLost) {
            callbacks.onLost(kUnplugged);
        }
        return false;
    }
    return !m_faults.stallAfter || index < *m_faults.stallAfter;
}
