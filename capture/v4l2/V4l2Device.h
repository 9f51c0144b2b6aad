#pragma once

#include "capture/CaptureBackend.h"
#include "capture/v4l2/V4l2Calls.h"

#include <memory>
#include <string>

class CV4l2Stream;

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

private:
    std::shared_ptr<const CV4l2Calls> m_calls;
    int m_fd = -1;
    CaptureDeviceInfo m_info;
    std::string m_buttonNode;
    std::unique_ptr<CV4l2Stream> m_stream;
};

// Whether frames of `fourcc` can be turned into delivered frames.
bool V4l2CanDeliver(std::uint32_t fourcc);

// The text for a failed call's errno, for the user.
std::string V4l2ErrorText(int error);
