#include "capture/v4l2/V4l2Backend.h"

#include "capture/v4l2/V4l2Device.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>

namespace {

// The card name when the node captures video, nullopt otherwise.
std::optional<std::string> CaptureCardName(const CV4l2Calls& calls, int fd) {
    v4l2_capability capability{};
    if (RetryIoctl(calls, fd, VIDIOC_QUERYCAP, &capability) != 0) {
        return std::nullopt;
    }
    const std::uint32_t caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS) != 0
                                   ? capability.device_caps
                                   : capability.capabilities;
    if ((caps & V4L2_CAP_VIDEO_CAPTURE) == 0 || (caps & V4L2_CAP_STREAMING) == 0) {
        return std::nullopt;
    }
    const char* card = reinterpret_cast<const char*>(capability.card);
    return std::string(card, strnlen(card, sizeof capability.card));
}

} // namespace

CV4l2Backend::CV4l2Backend()
    : CV4l2Backend(SystemV4l2Calls(), std::make_unique<CUdevNodeSource>()) {}

CV4l2Backend::CV4l2Backend(std::shared_ptr<const CV4l2Calls> calls,
                           std::unique_ptr<IV4l2NodeSource> nodes)
    : m_calls(std::move(calls))
    , m_nodes(std::move(nodes)) {}

CV4l2Backend::~CV4l2Backend() = default;

std::optional<std::vector<CV4l2Backend::Camera>> CV4l2Backend::Cameras() {
    auto nodes = m_nodes->Nodes();
    if (!nodes) {
        return std::nullopt;
    }
    std::vector<Camera> cameras;
    for (const V4l2Node& node : *nodes) {
        Camera camera;
        camera.node = node;
        const int fd = m_calls->open(node.devNode.c_str(), O_RDWR | O_NONBLOCK);
        if (fd < 0) {
            // A camera the user may not open is still shown, so that they
            // learn why it does not work; other failures are nodes gone.
            const bool refused = errno == EACCES || errno == EPERM;
            if (!refused || node.capabilities.find(":capture:") == std::string::npos) {
                continue;
            }
            const std::string name = node.product.empty() ? node.devNode : node.product;
            camera.info.friendlyName = name + kV4l2NoAccessMark;
        } else {
            const auto card = CaptureCardName(*m_calls, fd);
            m_calls->close(fd);
            if (!card) {
                continue;
            }
            camera.info.friendlyName = card->empty() ? node.devNode : *card;
        }
        camera.info.hasStillSource = !node.buttonNode.empty();
        cameras.push_back(std::move(camera));
    }
    for (Camera& camera : cameras) {
        const auto sharing = std::count_if(cameras.begin(), cameras.end(), [&](const Camera& c) {
            return !c.node.byIdLink.empty() && c.node.byIdLink == camera.node.byIdLink;
        });
        camera.info.id = StableIdOf(camera.node, sharing > 1);
    }
    // Identical cameras on no known port still need names of their own.
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (cameras[j].info.id == cameras[i].info.id) {
                cameras[i].info.id = cameras[i].node.devNode;
            }
        }
    }
    return cameras;
}

std::optional<std::vector<CaptureDeviceInfo>> CV4l2Backend::ListDevices() {
    auto cameras = Cameras();
    if (!cameras) {
        return std::nullopt;
    }
    std::vector<CaptureDeviceInfo> devices;
    for (Camera& camera : *cameras) {
        devices.push_back(std::move(camera.info));
    }
    return devices;
}

std::unique_ptr<ICaptureDevice> CV4l2Backend::Open(const std::string& id, std::string& error) {
    auto cameras = Cameras();
    if (!cameras) {
        error = "The video devices cannot be listed.";
        return nullptr;
    }
    const auto found = std::find_if(cameras->begin(), cameras->end(),
                                    [&](const Camera& camera) { return camera.info.id == id; });
    if (found == cameras->end()) {
        error = "The camera is not connected.";
        return nullptr;
    }
    const int fd = m_calls->open(found->node.devNode.c_str(), O_RDWR | O_NONBLOCK);
    if (fd < 0) {
        // Refused at open, it is the node's permissions, not a setting.
        error = errno == EACCES || errno == EPERM ? kV4l2NoAccessText : V4l2ErrorText(errno);
        return nullptr;
    }
    return std::make_unique<CV4l2Device>(m_calls, fd, found->info, found->node.buttonNode);
}
