#pragma once

#include "capture/CaptureBackend.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// A scripted camera for the sequencing tests: each device can be told to
// fail at a step, and every call is written to a shared log so a test can
// check the order. Frames are delivered by the test itself.
struct FakeCameraScript {
    CaptureDeviceInfo info;
    bool openFails = false;
    bool formatControl = true;
    int setFormatRefusals = 0; // how many SetFormat calls fail before one succeeds
    bool startFails = false;
    CaptureFormat current{Fourcc::kYUYV, 640, 480, {1, 30}};
    std::vector<CaptureFormatDesc> formats;
};

struct FakeCaptureLog {
    std::vector<std::string> calls;
    CaptureCallbacks callbacks; // of the last StartStreaming
    std::map<std::string, FakeCameraScript> scripts;
};

class FakeCaptureDevice : public ICaptureDevice {
public:
    FakeCaptureDevice(std::shared_ptr<FakeCaptureLog> log, std::string id);
    ~FakeCaptureDevice() override;

    const CaptureDeviceInfo& Info() const override;
    bool HasFormatControl() const override;
    std::vector<CaptureFormatDesc> Formats() const override;
    std::optional<CaptureFormat> CurrentFormat() const override;
    CaptureStatus SetFormat(const CaptureFormat& format) override;
    std::vector<CaptureControl> Controls() const override;
    CaptureStatus SetControl(std::uint32_t id, std::int32_t value) override;
    CaptureStatus StartStreaming(CaptureCallbacks callbacks) override;
    void StopStreaming() override;
    bool IsStreaming() const override { return m_streaming; }

private:
    FakeCameraScript& Script() const;
    std::shared_ptr<FakeCaptureLog> m_log;
    std::string m_id;
    bool m_streaming = false;
};

class FakeCaptureBackend : public ICaptureBackend {
public:
    explicit FakeCaptureBackend(std::shared_ptr<FakeCaptureLog> log, bool listable = true)
        : m_log(std::move(log))
        , m_listable(listable) {}
    std::optional<std::vector<CaptureDeviceInfo>> ListDevices() override;
    std::unique_ptr<ICaptureDevice> Open(const std::string& id, std::string& error) override;

private:
    std::shared_ptr<FakeCaptureLog> m_log;
    bool m_listable;
};

// A camera offering YUYV and MJPG at 640×480 and 1280×720, 30 and 15 fps.
FakeCameraScript MakeFakeCamera(const std::string& id, const std::string& name, bool still = true);
