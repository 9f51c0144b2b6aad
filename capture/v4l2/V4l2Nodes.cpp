#include "capture/v4l2/V4l2Nodes.h"

#include <algorithm>
#include <charconv>
#include <libudev.h>
#include <linux/input-event-codes.h>
#include <memory>

namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

std::string Text(const char* value) {
    return value != nullptr ? std::string(value) : std::string();
}

std::string ByIdLinkOf(udev_device* device) {
    for (udev_list_entry* link = udev_device_get_devlinks_list_entry(device); link != nullptr;
         link = udev_list_entry_get_next(link)) {
        const std::string name = Text(udev_list_entry_get_name(link));
        if (name.starts_with("/dev/v4l/by-id/")) {
            return name;
        }
    }
    return {};
}

// The event node under `usbDevice` whose key bitmap has the camera key.
std::string ButtonNodeUnder(udev* context, udev_device* usbDevice) {
    UdevPtr<udev_enumerate> inputs(udev_enumerate_new(context));
    if (!inputs) {
        return {};
    }
    udev_enumerate_add_match_subsystem(inputs.get(), "input");
    udev_enumerate_add_match_parent(inputs.get(), usbDevice);
    udev_enumerate_scan_devices(inputs.get());
    for (udev_list_entry* entry = udev_enumerate_get_list_entry(inputs.get()); entry != nullptr;
         entry = udev_list_entry_get_next(entry)) {
        UdevPtr<udev_device> input(
            udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
        const std::string node = input ? Text(udev_device_get_devnode(input.get())) : "";
        if (!node.starts_with("/dev/input/event")) {
            continue;
        }
        // The key bitmap sits on the inputN parent of the eventN node.
        udev_device* parent =
            udev_device_get_parent_with_subsystem_devtype(input.get(), "input", nullptr);
        const char* keys =
            parent != nullptr ? udev_device_get_sysattr_value(parent, "capabilities/key") : nullptr;
        if (keys != nullptr && KeyBitmapHas(keys, KEY_CAMERA)) {
            return node;
        }
    }
    return {};
}

} // namespace

std::string StableIdOf(const V4l2Node& node, bool shared) {
    const bool unique = node.hasSerial && !shared;
    if (!node.byIdLink.empty() && (unique || node.busPath.empty())) {
        return node.byIdLink;
    }
    return !node.busPath.empty() ? node.busPath : node.devNode;
}

bool KeyBitmapHas(std::string_view bitmap, int code, int wordBits) {
    if (code < 0 || wordBits <= 0) {
        return false;
    }
    std::vector<std::string_view> words;
    std::size_t start = 0;
    while (start < bitmap.size()) {
        const std::size_t end = std::min(bitmap.find_first_of(" \n", start), bitmap.size());
        if (end > start) {
            words.push_back(bitmap.substr(start, end - start));
        }
        start = end + 1;
    }
    const std::size_t wordIndex = static_cast<std::size_t>(code / wordBits);
    if (wordIndex >= words.size()) {
        return false;
    }
    const std::string_view word = words[words.size() - 1 - wordIndex];
    unsigned long long value = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value, 16);
    if (ec != std::errc() || end != word.data() + word.size()) {
        return false;
    }
    const int bit = code % wordBits;
    return bit < 64 && ((value >> bit) & 1U) != 0;
}

std::optional<std::vector<V4l2Node>> CUdevNodeSource::Nodes() {
    UdevPtr<udev> context(udev_new());
    if (!context) {
        return std::nullopt;
    }
    UdevPtr<udev_enumerate> videos(udev_enumerate_new(context.get()));
    if (!videos) {
        return std::nullopt;
    }
    udev_enumerate_add_match_subsystem(videos.get(), "video4linux");
    if (udev_enumerate_scan_devices(videos.get()) < 0) {
        return std::nullopt;
    }
    std::vector<V4l2Node> nodes;
    for (udev_list_entry* entry = udev_enumerate_get_list_entry(videos.get()); entry != nullptr;
         entry = udev_list_entry_get_next(entry)) {
        UdevPtr<udev_device> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!device) {
            continue;
        }
        V4l2Node node;
        node.devNode = Text(udev_device_get_devnode(device.get()));
        if (!node.devNode.starts_with("/dev/video")) {
            continue; // radio, VBI and subdevice nodes
        }
        node.byIdLink = ByIdLinkOf(device.get());
        node.busPath = Text(udev_device_get_property_value(device.get(), "ID_PATH"));
        node.product = Text(udev_device_get_property_value(device.get(), "ID_V4L_PRODUCT"));
        node.capabilities =
            Text(udev_device_get_property_value(device.get(), "ID_V4L_CAPABILITIES"));
        node.hasSerial = udev_device_get_property_value(device.get(), "ID_SERIAL_SHORT") != nullptr;
        if (udev_device* usb =
                udev_device_get_parent_with_subsystem_devtype(device.get(), "usb", "usb_device")) {
            node.buttonNode = ButtonNodeUnder(context.get(), usb);
        }
        nodes.push_back(std::move(node));
    }
    return nodes;
}
