#pragma once

#include "capture/CaptureBackend.h"
#include "capture/v4l2/V4l2Calls.h"
#include "capture/v4l2/V4l2Stream.h"

#include <memory>
#include <string>

// A camera of the kernel's video devices, opened non-blocking. Formats and
// controls are asked of the driver each time (they change with the format
// and with auto modes); frames flow on the stream's own thread.
class CV4l2Device : public ICaptureDevice {
public:
    // Takes over `fd`, an open capture node. `buttonNode` is the input device
    // of the camera's snapshot button, empty when it has none.
    CV4l2Device(std::shared_ptr<const CV4l2Calls> calls, int fd, CaptureDeviceInfo info,
                std::string buttonNode);
    ~CV4l2Device() override;

    const CaptureDeviceInfo& Info() const override { return m_info; }
    bool HasFormatControl() const override { return true; }
    std::vector<CaptureFormatDesc> Formats() const override;
    std::optional<CaptureFormat> CurrentFormat() const override;
    CaptureStatus SetFormat(const CaptureFormat& format) override;
    std::vector<CaptureControl> Controls() const override;
    CaptureStatus SetControl(std::uint32_t id, std::int32_t value) override;
    CaptureStatus StartStreaming(CaptureCallbacks callbacks) override;
    void StopStreaming() override;
    bool IsStreaming() const override;

    // The errno of the last SetFormat or StartStreaming that failed in the
    // driver (0 when the last one succeeded or failed before reaching it),
    // so that a caller can tell a bandwidth failure from the rest.
    int LastError() const { return m_lastError; }

private:
    std::shared_ptr<const CV4l2Calls> m_calls;
    int m_fd = -1;
    CaptureDeviceInfo m_info;
    std::string m_buttonNode;
    std::unique_ptr<CV4l2Stream> m_stream;
    int m_lastError = 0;
};

// Whether frames of `fourcc` can be turned into delivered frames.
bool V4l2CanDeliver(std::uint32_t fourcc);

// The text for a failed call's errno, for the user.
std::string V4l2ErrorText(int error);

// Whether STREAMON's errno says the USB bus cannot carry the format: the
// driver answers ENOSPC when the bandwidth is taken, EIO when no transfer
// setting of the camera is fast enough.
bool V4l2IsBandwidthError(int error);

// A failed call's status, with the kind the session acts on (busy, bandwidth).
CaptureStatus V4l2Failure(int error);

// The texts of a camera the user may not open (not in the video group), for
// the camera list and for the failed open.
inline constexpr const char* kV4l2NoAccessMark = " (no access)";
inline constexpr const char* kV4l2NoAccessText =
    "No access to the camera. Add your user to the \"video\" group "
    "(sudo usermod -aG video $USER), then log out and in again.";
