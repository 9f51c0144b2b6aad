#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The seam between the capture sequencing (capture/CaptureSession.h) and the
// code that talks to a camera. A backend lists the cameras of one kind (video
// devices of the kernel, the built-in virtual microscope, a scripted fake in
// tests) and opens one of them as an ICaptureDevice. Nothing here depends on
// a GUI toolkit; backends may use threads of their own.

namespace Fourcc {
constexpr std::uint32_t Make(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24);
}
// The kernel's pixel format codes (videodev2.h) for the formats we know.
inline constexpr std::uint32_t kYUYV = Make('Y', 'U', 'Y', 'V'); // also called YUY2
inline constexpr std::uint32_t kYVYU = Make('Y', 'V', 'Y', 'U');
inline constexpr std::uint32_t kUYVY = Make('U', 'Y', 'V', 'Y');
inline constexpr std::uint32_t kMJPG = Make('M', 'J', 'P', 'G');
inline constexpr std::uint32_t kBGR24 = Make('B', 'G', 'R', '3'); // blue, green, red bytes
inline constexpr std::uint32_t kPAL8 = Make('P', 'A', 'L', '8');
inline constexpr std::uint32_t kRGB565 = Make('R', 'G', 'B', 'P');
inline constexpr std::uint32_t kRGB555 = Make('R', 'G', 'B', 'O');
inline constexpr std::uint32_t kBGR32 = Make('B', 'G', 'R', '4');  // older name of XR24
inline constexpr std::uint32_t kXBGR32 = Make('X', 'R', '2', '4'); // B, G, R, padding
inline constexpr std::uint32_t kABGR32 = Make('A', 'R', '2', '4'); // B, G, R, alpha

// "MJPG" for kMJPG; unprintable bytes become '?'.
std::string ToString(std::uint32_t fourcc);
// The code of a four-character text (case kept); nullopt for other lengths.
std::optional<std::uint32_t> Parse(const std::string& text);
} // namespace Fourcc

// Seconds per frame as a fraction, as cameras state it (1/30 for 30 fps).
struct FrameInterval {
    std::uint32_t numerator = 1;
    std::uint32_t denominator = 30;
    bool operator==(const FrameInterval&) const = default;
};

struct CaptureFrameSize {
    int width = 0;
    int height = 0;
    std::vector<FrameInterval> intervals; // shortest interval (fastest rate) first
};

// One pixel format a camera offers with the sizes and rates it offers in it.
struct CaptureFormatDesc {
    std::uint32_t fourcc = 0;
    std::string description; // the driver's text, may be empty
    std::vector<CaptureFrameSize> sizes;
};

// The format a camera streams in.
struct CaptureFormat {
    std::uint32_t fourcc = 0;
    int width = 0;
    int height = 0;
    FrameInterval interval;
    bool operator==(const CaptureFormat&) const = default;
};

enum class ControlKind { Integer, Boolean, Menu, Button };

struct ControlMenuItem {
    std::int32_t value = 0;
    std::string name;
};

// A camera setting (brightness, exposure...). Ids are the backend's own and
// stable while the device is open. `inactive` controls exist but have no
// effect now (a manual value while its auto mode is on); read-only ones can
// only be shown. A button has no value: setting it to anything presses it.
struct CaptureControl {
    std::uint32_t id = 0;
    std::string name;
    ControlKind kind = ControlKind::Integer;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t step = 1;
    std::int32_t defaultValue = 0;
    std::int32_t value = 0; // the current value when the list was read
    bool inactive = false;
    bool readOnly = false;
    std::vector<ControlMenuItem> menu; // Menu controls: the allowed values
};

// One camera found by a backend. `id` is stable across lists and restarts
// (a path under /dev/v4l/by-id, "virtual:0"); it is the entry's display name.
struct CaptureDeviceInfo {
    std::string id;
    std::string friendlyName; // shown to the user; two cameras may share it
    bool hasStillSource = false;
};

// A frame as the layer delivers it: 24-bit pixels in blue, green, red order,
// rows bottom-up (the first row is the bottom row of the picture), each row
// padded to a multiple of 4 bytes. The memory is valid only during the
// callback; whoever keeps the frame copies it.
struct CaptureFrame {
    const std::uint8_t* bgr = nullptr;
    std::size_t bytes = 0; // stride × height
    int width = 0;
    int height = 0;
    int stride = 0;
    // The camera's JPEG bytes when it streams MJPEG (a recorder can write them
    // as they are), otherwise empty.
    std::span<const std::uint8_t> compressed;
    std::uint32_t sourceFourcc = 0;
    std::int64_t timestampUs = 0; // since streaming started, monotonic
    std::uint64_t sequence = 0;   // frame number since streaming started
};

inline constexpr int BgrStride(int width) {
    return ((width * 3) + 3) / 4 * 4;
}

// Callbacks run on the device's streaming thread, one at a time, never after
// StopStreaming has returned. `onFrame` gets every frame; `onStill` gets the
// frame of a press of the camera's snapshot button; `onLost` says the device
// is gone (unplugged, failed) and no more frames come; `onDropped` tells of
// a frame that came but could not be turned into a picture, with the reason.
struct CaptureCallbacks {
    std::function<void(const CaptureFrame&)> onFrame;
    std::function<void(const CaptureFrame&)> onStill;
    std::function<void(const std::string& reason)> onLost;
    std::function<void(const std::string& error)> onDropped;
};

// What went wrong, where the caller can do something about it: a busy camera
// needs the other program closed; a bus without the bandwidth for a format
// may carry a compressed one or a smaller size.
enum class CaptureFailure { Other, Busy, Bandwidth };

// Failures carry a text for the user or the command line; `ok` is the rest.
struct CaptureStatus {
    bool ok = true;
    std::string message;
    CaptureFailure failure = CaptureFailure::Other;
    static CaptureStatus Success() { return {}; }
    static CaptureStatus Failure(std::string text, CaptureFailure failure = CaptureFailure::Other) {
        return {false, std::move(text), failure};
    }
    explicit operator bool() const { return ok; }
};

// An open camera. Every method but the callbacks runs on the GUI thread (or
// the command line's main thread). Formats and controls may be queried and
// controls set while streaming; the format is set only while stopped.
class ICaptureDevice {
public:
    virtual ~ICaptureDevice() = default;

    virtual const CaptureDeviceInfo& Info() const = 0;

    // Whether the camera lets the format be read and chosen at all.
    virtual bool HasFormatControl() const = 0;
    virtual std::vector<CaptureFormatDesc> Formats() const = 0;
    virtual std::optional<CaptureFormat> CurrentFormat() const = 0;
    // The camera may refuse; on success CurrentFormat() is what it took,
    // which can differ from the request (rounded size, nearest rate).
    virtual CaptureStatus SetFormat(const CaptureFormat& format) = 0;

    virtual std::vector<CaptureControl> Controls() const = 0;
    // Refuses values outside the control's range and controls that are
    // read-only, unknown or inactive, leaving the camera as it was.
    virtual CaptureStatus SetControl(std::uint32_t id, std::int32_t value) = 0;

    virtual CaptureStatus StartStreaming(CaptureCallbacks callbacks) = 0;
    // Returns once the streaming thread has delivered its last callback.
    virtual void StopStreaming() = 0;
    virtual bool IsStreaming() const = 0;
};

// One kind of camera. ListDevices gives nullopt when the kind cannot be
// listed at all (no device nodes), an empty list when it has no camera.
class ICaptureBackend {
public:
    virtual ~ICaptureBackend() = default;
    virtual std::optional<std::vector<CaptureDeviceInfo>> ListDevices() = 0;
    virtual std::unique_ptr<ICaptureDevice> Open(const std::string& id, std::string& error) = 0;
};
