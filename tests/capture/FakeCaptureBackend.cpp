#include "tests/capture/FakeCaptureBackend.h"

#include <algorithm>

FakeCaptureDevice::FakeCaptureDevice(std::shared_ptr<FakeCaptureLog> log, std::string id)
    : m_log(std::move(log))
    , m_id(std::move(id)) {}

FakeCaptureDevice::~FakeCaptureDevice() {
    m_log->calls.push_back("Close " + m_id);
}

FakeCameraScript& FakeCaptureDevice::Script() const {
    return m_log->scripts.at(m_id);
}

const CaptureDeviceInfo& FakeCaptureDevice::Info() const {
    return Script().info;
}

bool FakeCaptureDevice::HasFormatControl() const {
    return Script().formatControl;
}

std::vector<CaptureFormatDesc> FakeCaptureDevice::Formats() const {
    return Script().formats;
}

std::optional<CaptureFormat> FakeCaptureDevice::CurrentFormat() const {
    if (!Script().formatControl) {
        return std::nullopt;
    }
    return Script().current;
}

CaptureStatus FakeCaptureDevice::SetFormat(const CaptureFormat& format) {
    m_log->calls.push_back("SetFormat " + Fourcc::ToString(format.fourcc) + " " +
                           std::to_string(format.width) + "x" + std::to_string(format.height));
    if (Script().setFormatRefusals > 0) {
        --Script().setFormatRefusals;
        return CaptureStatus::Failure("refused");
    }
    Script().current = format;
    return CaptureStatus::Success();
}

std::vector<CaptureControl> FakeCaptureDevice::Controls() const {
    return {{7, "Brightness", ControlKind::Integer, 0, 10, 1, 5, 5, false, false, {}},
            {8, "Focus", ControlKind::Integer, 0, 10, 1, 5, 5, true, false, {}}};
}

CaptureStatus FakeCaptureDevice::SetControl(std::uint32_t id, std::int32_t value) {
    m_log->calls.push_back("SetControl " + std::to_string(id) + "=" + std::to_string(value));
    return CaptureStatus::Success();
}

CaptureStatus FakeCaptureDevice::StartStreaming(CaptureCallbacks callbacks) {
    m_log->calls.push_back("Start " + m_id);
    if (Script().startFails) {
        return CaptureStatus::Failure("cannot start");
    }
    m_log->callbacks = std::move(callbacks);
    m_streaming = true;
    return CaptureStatus::Success();
}

void FakeCaptureDevice::StopStreaming() {
    m_log->calls.push_back("Stop " + m_id);
    m_log->callbacks = {};
    m_streaming = false;
}

std::optional<std::vector<CaptureDeviceInfo>> FakeCaptureBackend::ListDevices() {
    if (!m_listable) {
        return std::nullopt;
    }
    std::vector<CaptureDeviceInfo> devices;
    for (const auto& [id, script] : m_log->scripts) {
        devices.push_back(script.info);
    }
    // Listed in reverse so that the session's own ordering shows.
    std::reverse(devices.begin(), devices.end());
    return devices;
}

std::unique_ptr<ICaptureDevice> FakeCaptureBackend::Open(const std::string& id,
                                                         std::string& error) {
    m_log->calls.push_back("Open " + id);
    const auto script = m_log->scripts.find(id);
    if (script == m_log->scripts.end() || script->second.openFails) {
        error = "cannot open " + id;
        return nullptr;
    }
    return std::make_unique<FakeCaptureDevice>(m_log, id);
}

FakeCameraScript MakeFakeCamera(const std::string& id, const std::string& name, bool still) {
    FakeCameraScript script;
    script.info = {id, name, still};
    for (std::uint32_t fourcc : {Fourcc::kYUYV, Fourcc::kMJPG}) {
        CaptureFormatDesc desc{fourcc, "", {}};
        for (auto [w, h] : {std::pair{640, 480}, std::pair{1280, 720}}) {
            desc.sizes.push_back({w, h, {{1, 30}, {1, 15}}});
        }
        script.formats.push_back(desc);
    }
    return script;
}
