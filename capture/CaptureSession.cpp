#include "capture/CaptureSession.h"

#include "capture/VirtualMicroscope.h"
#include "core/FileWriting.h"
#include "core/Folders.h"
#include "core/Parameters.h"
#include "framework/PostedEvents.h"

#include <algorithm>
#include <cmath>

#include <QFile>
#include <QFileInfo>

// The backends are made before the session and outlive its camera.
CCaptureBackends g_captureBackends{{}, MakeVirtualMicroscopeBackend()};
CaptureSession g_captureSession;
CCaptureShared g_captureShared;

namespace {

constexpr int kNoCamera = -1;
constexpr int kNoStillSource = -2;

QString CaptureConfigPath() {
    return g_folders.programFolder + QStringLiteral("/CapConfig.dat");
}

void SetFrameSize(int width, int height) {
    g_captureShared.frameWidth = static_cast<std::uint32_t>(std::max(width, 0));
    g_captureShared.frameHeight = static_cast<std::uint32_t>(std::max(height, 0));
}

// The format to ask for: a stored format the camera offers wins; otherwise
// the camera's current size in the pixel format of the subtype code, when
// the camera offers that, else the current format as it is.
CaptureFormat ChooseFormat(const CaptureFormat& current, bool loaded) {
    const std::vector<CaptureFormatDesc> offered = g_captureSession.camera->Formats();
    if (g_captureSession.forcedFormat) {
        return *g_captureSession.forcedFormat;
    }
    if (loaded) {
        if (const auto stored =
                MatchCaptureConfig(DecodeCaptureConfig(g_captureSession.captureConfig), offered)) {
            SetFrameSize(stored->width, stored->height);
            return *stored;
        }
        // A file of another camera: keep the block of the format in use.
        g_captureSession.captureConfig = EncodeCaptureConfig(current);
    }
    CaptureConfigFields wanted;
    wanted.compression = FourccOfSubtype(g_parameters.videoformat);
    wanted.width = current.width;
    wanted.height = current.height;
    wanted.avgTimePerFrame = TimePerFrameOf(current.interval);
    return MatchCaptureConfig(wanted, offered).value_or(current);
}

} // namespace

void AddCaptureBackend(std::unique_ptr<ICaptureBackend> backend) {
    g_captureBackends.hardware.push_back(std::move(backend));
}

void SetHardwareCaptureBackends(std::vector<std::unique_ptr<ICaptureBackend>> backends) {
    g_captureBackends.hardware = std::move(backends);
}

void CreateDeviceEnumerator() {
    g_captureSession.enumerator = true;
}

bool HardwareCameraPresent() {
    for (const auto& backend : g_captureBackends.hardware) {
        const auto listed = backend->ListDevices();
        if (listed && !listed->empty()) {
            return true;
        }
    }
    return false;
}

int EnumerateVideoDevices() {
    CaptureSession& session = g_captureSession;
    if (!session.enumerator) {
        return 0;
    }
    std::vector<VideoDeviceEntry> found;
    bool listed = false;
    for (const auto& backend : g_captureBackends.hardware) {
        const auto devices = backend->ListDevices();
        if (!devices) {
            continue;
        }
        listed = true;
        for (const CaptureDeviceInfo& info : *devices) {
            found.push_back({0, info.id, info.friendlyName, info.hasStillSource, backend.get()});
        }
    }
    // A stable order, so a slot keeps its camera while the set stays the same.
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.displayName < b.displayName; });
    if (found.size() > static_cast<std::size_t>(kMaxVideoDevices)) {
        found.resize(kMaxVideoDevices);
    }
    if (g_captureBackends.virtualMicroscope != nullptr &&
        found.size() < static_cast<std::size_t>(kMaxVideoDevices)) {
        if (const auto devices = g_captureBackends.virtualMicroscope->ListDevices()) {
            listed = true;
            for (const CaptureDeviceInfo& info : *devices) {
                if (found.size() < static_cast<std::size_t>(kMaxVideoDevices)) {
                    found.push_back({0, info.id, info.friendlyName, info.hasStillSource,
                                     g_captureBackends.virtualMicroscope.get()});
                }
            }
        }
    }
    if (!listed) {
        return 0;
    }
    for (int slot = 0; slot < kMaxVideoDevices; ++slot) {
        if (slot < static_cast<int>(found.size())) {
            session.devices[static_cast<std::size_t>(slot)] = found[static_cast<std::size_t>(slot)];
            session.devices[static_cast<std::size_t>(slot)].index = slot;
        } else {
            session.devices[static_cast<std::size_t>(slot)] = VideoDeviceEntry{};
        }
    }
    session.deviceCount = static_cast<int>(found.size());
    return 1;
}

void ChooseVideoDevice(int slot) {
    g_captureShared.chosenDeviceIndex = slot;
    g_captureSession.chosen = nullptr;
    if (slot >= 0 && slot < kMaxVideoDevices) {
        VideoDeviceEntry& entry = g_captureSession.devices[static_cast<std::size_t>(slot)];
        if (entry.index >= 0 && entry.backend != nullptr) {
            g_captureSession.chosen = &entry;
        }
    }
}

int BindSelectedDevice() {
    CaptureSession& session = g_captureSession;
    session.graph = true;
    session.camera.reset();
    if (session.chosen == nullptr || session.chosen->backend == nullptr) {
        TearDownCaptureGraph();
        return 0;
    }
    std::string error;
    session.startStatus = CaptureStatus::Success();
    session.camera = session.chosen->backend->Open(session.chosen->displayName, error);
    if (session.camera == nullptr) {
        // Why it cannot be opened (no access, busy) is what the user needs.
        session.startStatus = CaptureStatus::Failure(
            session.chosen->friendlyName + ": " +
            (error.empty() ? std::string("The camera cannot be opened.") : error));
        TearDownCaptureGraph();
        return 0;
    }
    session.streamConfig = session.camera->HasFormatControl();
    if (session.streamConfig) {
        if (const auto format = session.camera->CurrentFormat()) {
            SetFrameSize(format->width, format->height);
            g_parameters.videoformat = ClassifySubtype(format->fourcc);
        }
    }
    g_captureShared.stillPinAvailable = session.camera->Info().hasStillSource ? 1 : 0;
    return 1;
}

int BuildCaptureGraph() {
    CaptureSession& session = g_captureSession;
    if (session.built != 0) {
        return 1;
    }
    if (session.running != 0 || session.camera == nullptr) {
        return 0;
    }
    if (session.streamConfig) {
        if (const auto current = session.camera->CurrentFormat()) {
            session.captureConfig = EncodeCaptureConfig(*current);
            const bool loaded = !session.forcedFormat && LoadCaptureConfig() == 1;
            const CaptureFormat wanted = ChooseFormat(*current, loaded);
            if (!session.camera->SetFormat(wanted)) {
                session.camera->SetFormat(wanted);
            }
            // Whatever the camera took is what its frames will be.
            if (const auto taken = session.camera->CurrentFormat()) {
                SetFrameSize(taken->width, taken->height);
                g_parameters.videoformat = ClassifySubtype(taken->fourcc);
            }
        }
    }
    BuildFrameBranch();
    if (g_parameters.snapshot == 1 && g_captureShared.stillPinAvailable == 1) {
        BuildStillBranch();
    }
    session.built = 1;
    return 1;
}

int BuildFrameBranch() {
    CaptureSession& session = g_captureSession;
    if (session.running != 0) {
        return 1;
    }
    if (session.camera == nullptr || !session.graph) {
        return kNoCamera;
    }
    session.frameCallback.width = static_cast<int>(g_captureShared.frameWidth);
    session.frameCallback.height = static_cast<int>(g_captureShared.frameHeight);
    if (session.streamConfig) {
        if (const auto format = session.camera->CurrentFormat()) {
            session.frameCallback.width = format->width;
            session.frameCallback.height = format->height;
        }
    }
    session.frameBranch = true;
    return 0;
}

int BuildStillBranch() {
    CaptureSession& session = g_captureSession;
    if (session.camera == nullptr || !session.graph) {
        return kNoCamera;
    }
    if (!session.camera->Info().hasStillSource) {
        return kNoStillSource;
    }
    session.stillBranch = true;
    return 0;
}

int StopCaptureGraph() {
    CaptureSession& session = g_captureSession;
    session.running = 0;
    if (session.camera != nullptr) {
        session.camera->StopStreaming();
    }
    return 1;
}

void RemoveDownstream() {
    g_captureSession.frameBranch = false;
    g_captureSession.stillBranch = false;
}

void TearDownCaptureGraph() {
    CaptureSession& session = g_captureSession;
    session.surface = false;
    session.surfaceWidth = 0;
    session.surfaceHeight = 0;
    if (session.camera != nullptr) {
        session.camera->StopStreaming();
        session.camera.reset();
    }
    session.graph = false;
    session.streamConfig = false;
    session.frameBranch = false;
    session.stillBranch = false;
}

int RebuildCaptureGraph() {
    const bool wasRunning = g_captureSession.running != 0;
    StopCaptureGraph();
    RemoveDownstream();
    g_captureSession.built = 0;
    BuildCaptureGraph();
    if (wasRunning) {
        RunCaptureGraph();
    }
    return 0;
}

void CloseCaptureGraph() {
    StopCaptureGraph();
    RemoveDownstream();
    g_captureSession.built = 0;
    TearDownCaptureGraph();
}

int CreateFrameSurface() {
    CaptureSession& session = g_captureSession;
    session.surfaceWidth =
        static_cast<int>(std::floor(g_captureShared.frameWidth * session.zoom + 0.5));
    session.surfaceHeight =
        static_cast<int>(std::floor(g_captureShared.frameHeight * session.zoom + 0.5));
    session.surface = true;
    return 1;
}

int PrepareFormatPage() {
    CaptureSession& session = g_captureSession;
    if (session.camera == nullptr || !session.streamConfig) {
        return 0;
    }
    StopCaptureGraph();
    RemoveDownstream();
    session.built = 0;
    return 1;
}

CaptureStatus SetCaptureFormat(const CaptureFormat& format) {
    CaptureSession& session = g_captureSession;
    if (session.camera == nullptr || !session.streamConfig) {
        return CaptureStatus::Failure("no camera whose format can be chosen");
    }
    if (session.running != 0) {
        return CaptureStatus::Failure("the camera is running");
    }
    return session.camera->SetFormat(format);
}

void TakeOverCaptureFormat() {
    CaptureSession& session = g_captureSession;
    if (session.camera == nullptr || !session.streamConfig) {
        return;
    }
    if (const auto format = session.camera->CurrentFormat()) {
        g_parameters.videoformat = ClassifySubtype(format->fourcc);
        session.captureConfig = EncodeCaptureConfig(*format);
        SetFrameSize(format->width, format->height);
        SaveCaptureConfig();
    }
    PostToReceiver(ReceiverRole::LiveView, UM_FORMAT_CHANGED);
}

int RestartAfterFormatChange() {
    if (BuildCaptureGraph() == 0) {
        return 0;
    }
    CreateFrameSurface();
    return RunCaptureGraph();
}

CaptureStatus SetCaptureControl(std::uint32_t id, std::int32_t value) {
    CaptureSession& session = g_captureSession;
    if (session.camera == nullptr) {
        return CaptureStatus::Failure("no camera");
    }
    const std::vector<CaptureControl> controls = session.camera->Controls();
    const auto control = std::find_if(controls.begin(), controls.end(),
                                      [id](const CaptureControl& c) { return c.id == id; });
    if (control == controls.end()) {
        return CaptureStatus::Failure("the camera has no such control");
    }
    if (control->inactive || control->readOnly) {
        return CaptureStatus::Failure(control->name + " cannot be changed now");
    }
    bool allowed = true;
    switch (control->kind) {
    case ControlKind::Integer:
        allowed = value >= control->minimum && value <= control->maximum;
        break;
    case ControlKind::Boolean:
        allowed = value == 0 || value == 1;
        break;
    case ControlKind::Menu:
        allowed = std::any_of(control->menu.begin(), control->menu.end(),
                              [value](const ControlMenuItem& item) { return item.value == value; });
        break;
    case ControlKind::Button:
        break;
    }
    if (!allowed) {
        return CaptureStatus::Failure(control->name + ": value out of range");
    }
    return session.camera->SetControl(id, value);
}

int LoadCaptureConfig() {
    QFile file(CaptureConfigPath());
    // Only a regular file: a pipe or device under that name could block.
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray bytes = file.read(kCaptureConfigBytes);
    const auto block =
        CaptureConfigFromBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                         static_cast<std::size_t>(bytes.size())));
    if (!block) {
        return 0;
    }
    g_captureSession.captureConfig = *block;
    return 1;
}

bool SaveCaptureConfig() {
    const CCaptureConfigBlock& block = g_captureSession.captureConfig;
    return WriteFileWhole(CaptureConfigPath(),
                          QByteArray(reinterpret_cast<const char*>(block.data()),
                                     static_cast<qsizetype>(block.size())));
}

std::string ReadGraphEvent() {
    std::lock_guard lock(g_captureSession.graphEvents.mutex);
    if (g_captureSession.graphEvents.events.empty()) {
        return {};
    }
    std::string event = std::move(g_captureSession.graphEvents.events.front());
    g_captureSession.graphEvents.events.pop_front();
    return event;
}
