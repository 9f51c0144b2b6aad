#pragma once

#include "capture/CaptureBackend.h"
#include "capture/v4l2/V4l2Calls.h"
#include "capture/v4l2/V4l2Nodes.h"

#include <memory>

// The cameras of the kernel's video devices. A camera is known by its stable
// id (StableIdOf: its /dev/v4l/by-id link, or its port when the link is not
// its own), so opening it again after a replug finds it on whatever
// /dev/videoN it landed. Only nodes that capture video are listed: a UVC
// camera's second node carries metadata. A capture node the user may not
// open is listed marked "(no access)"; opening it fails with the advice.
class CV4l2Backend : public ICaptureBackend {
public:
    CV4l2Backend(); // udev and the real system calls
    CV4l2Backend(std::shared_ptr<const CV4l2Calls> calls, std::unique_ptr<IV4l2NodeSource> nodes);
    ~CV4l2Backend() override;

    std::optional<std::vector<CaptureDeviceInfo>> ListDevices() override;
    std::unique_ptr<ICaptureDevice> Open(const std::string& id, std::string& error) override;

private:
    struct Camera {
        CaptureDeviceInfo info;
        V4l2Node node;
    };
    std::optional<std::vector<Camera>> Cameras();

    std::shared_ptr<const CV4l2Calls> m_calls;
    std::unique_ptr<IV4l2NodeSource> m_nodes;
};
