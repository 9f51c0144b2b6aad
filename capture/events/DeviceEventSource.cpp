#include "capture/events/DeviceEventSource.h"

#include <libudev.h>

namespace {

class CUdevVideoEventSource : public IDeviceEventSource {
public:
    CUdevVideoEventSource(udev* context, udev_monitor* monitor)
        : m_context(context)
        , m_monitor(monitor) {}
    ~CUdevVideoEventSource() override {
        udev_monitor_unref(m_monitor);
        udev_unref(m_context);
    }
    CUdevVideoEventSource(const CUdevVideoEventSource&) = delete;
    CUdevVideoEventSource& operator=(const CUdevVideoEventSource&) = delete;

    int Fd() const override { return udev_monitor_get_fd(m_monitor); }

    std::vector<DeviceEvent> ReadEvents() override {
        std::vector<DeviceEvent> events;
        // The monitor's socket is non-blocking: receiving stops when drained.
        while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
            const char* action = udev_device_get_action(device);
            const char* node = udev_device_get_devnode(device);
            events.push_back({action != nullptr ? action : "", node != nullptr ? node : ""});
            udev_device_unref(device);
        }
        return events;
    }

private:
    udev* m_context;
    udev_monitor* m_monitor;
};

} // namespace

std::unique_ptr<IDeviceEventSource> CreateUdevVideoEventSource() {
    udev* context = udev_new();
    if (context == nullptr) {
        return nullptr;
    }
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (monitor == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "video4linux", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        if (monitor != nullptr) {
            udev_monitor_unref(monitor);
        }
        udev_unref(context);
        return nullptr;
    }
    return std::make_unique<CUdevVideoEventSource>(context, monitor);
}
