#pragma once

#include <memory>
#include <string>
#include <vector>

// One change of a video device as the system reports it.
struct DeviceEvent {
    std::string action; // "add", "remove", "change" (others are ignored)
    std::string devNode;
};

// A source of device events behind a file descriptor that becomes readable
// when events wait. Tests drive a fake one.
class IDeviceEventSource {
public:
    virtual ~IDeviceEventSource() = default;
    virtual int Fd() const = 0;
    // Every event waiting now; never blocks.
    virtual std::vector<DeviceEvent> ReadEvents() = 0;
};

// The kernel's video devices as udev announces them. nullptr where udev's
// monitor cannot be opened (no netlink in a container, no udev).
std::unique_ptr<IDeviceEventSource> CreateUdevVideoEventSource();
