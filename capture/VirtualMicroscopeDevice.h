#pragma once

#include "capture/CaptureBackend.h"
#include "capture/FrameConverter.h"
#include "capture/VirtualFaults.h"
#include "capture/VirtualPicture.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// Makes the bytes a camera would send, frame by frame.
class CVirtualWire {
public:
    CVirtualWire();
    ~CVirtualWire();
    CVirtualWire(const CVirtualWire&) = delete;
    CVirtualWire& operator=(const CVirtualWire&) = delete;

    // The MJPG or YUYV bytes of one frame; false when encoding failed.
    bool Make(const CaptureFormat& format, std::uint64_t index,
              const VirtualPictureSettings& settings, std::vector<std::uint8_t>& wire);

private:
    CVirtualPicture m_picture;
    std::vector<std::uint8_t> m_bgr;
    void* m_encoder = nullptr;
};

class CVirtualMicroscopeDevice : public ICaptureDevice {
public:
    // `drift` moves the slide scene's stage by (dx, dy) specimen pixels a frame.
    explicit CVirtualMicroscopeDevice(CVirtualFaults faults = {}, std::array<double, 2> drift = {});
    ~CVirtualMicroscopeDevice() override;

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
    void Stream(CaptureCallbacks callbacks);
    // Whether the streaming thread sends frame `index` of the device's life;
    // false once it has stalled or been unplugged (and says so for the latter).
    bool Sends(std::uint64_t index, const CaptureCallbacks& callbacks);

    CaptureDeviceInfo m_info;
    CVirtualFaults m_faults;
    std::uint64_t m_sent = 0; // frames of the device's life, over every stream
    std::atomic<bool> m_unplugged{false};
    mutable std::mutex m_mutex; // guards the format, the settings and the stop flag
    std::condition_variable m_wake;
    CaptureFormat m_format;
    VirtualPictureSettings m_settings;
    int m_powerLine = 1;
    bool m_stop = false;
    std::atomic<bool> m_stillPressed{false};
    std::thread m_thread;
};
