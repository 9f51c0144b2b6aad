#include "capture/CaptureRefresh.h"

#include "capture/CaptureSession.h"

std::string ChosenDeviceId() {
    const VideoDeviceEntry* chosen = g_captureSession.chosen;
    return chosen != nullptr ? chosen->displayName : std::string();
}

int EnumerateAndChooseAgain(const std::string& id) {
    const int listed = EnumerateVideoDevices();
    int slot = -1;
    for (int i = 0; i < g_captureSession.deviceCount && i < kMaxVideoDevices; ++i) {
        const VideoDeviceEntry& entry = g_captureSession.devices[static_cast<std::size_t>(i)];
        if (!id.empty() && entry.index >= 0 && entry.displayName == id) {
            slot = i;
            break;
        }
    }
    ChooseVideoDevice(slot);
    return listed;
}
