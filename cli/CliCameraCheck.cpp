#include "cli/CliCameraCheck.h"

#include "capture/CaptureSession.h"
#include "cli/CliCamera.h"
#include "core/CliJson.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

struct StreamResult {
    CaptureFormat format;
    double seconds = 0;
    std::uint64_t frames = 0;
    std::uint64_t dropped = 0;     // never arrived: gaps in the frame numbers
    std::uint64_t undecodable = 0; // arrived but could not be shown
    std::string firstError;
    double Fps() const { return seconds > 0 ? static_cast<double>(frames) / seconds : 0.0; }
    bool Ok() const { return frames > 0 && firstError.empty(); }
};

struct ControlResult {
    CaptureControl control;
    std::int32_t set = 0;
    std::optional<std::int32_t> read;
    std::string error;
    bool Ok() const { return error.empty() && read == set; }
};

// What the streaming thread counts.
struct Tally {
    std::mutex mutex;
    std::uint64_t frames = 0;
    std::uint64_t firstSequence = 0;
    std::uint64_t lastSequence = 0;
    std::uint64_t undecodable = 0;
    std::string firstError;
    void Error(const std::string& error) {
        std::lock_guard lock(mutex);
        if (firstError.empty()) {
            firstError = error;
        }
    }
};

StreamResult Stream(ICaptureDevice& camera, const CaptureFormat& format, double seconds) {
    StreamResult result{format, 0, 0, 0, 0, {}};
    if (const CaptureStatus set = camera.SetFormat(format); !set) {
        result.firstError = set.message;
        return result;
    }
    result.format = camera.CurrentFormat().value_or(format);
    auto tally = std::make_shared<Tally>();
    CaptureCallbacks callbacks;
    callbacks.onFrame = [tally](const CaptureFrame& frame) {
        std::lock_guard lock(tally->mutex);
        if (tally->frames++ == 0) {
            tally->firstSequence = frame.sequence;
        }
        tally->lastSequence = frame.sequence;
    };
    callbacks.onDropped = [tally](const std::string& error) {
        {
            std::lock_guard lock(tally->mutex);
            ++tally->undecodable;
        }
        tally->Error(error);
    };
    callbacks.onLost = [tally](const std::string& reason) {
        tally->Error(reason);
    };
    const auto start = std::chrono::steady_clock::now();
    if (const CaptureStatus started = camera.StartStreaming(callbacks); !started) {
        result.firstError = started.message;
        return result;
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    camera.StopStreaming();
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::lock_guard lock(tally->mutex);
    result.frames = tally->frames;
    result.undecodable = tally->undecodable;
    result.firstError = tally->firstError;
    if (tally->frames > 0) {
        const std::uint64_t numbered = tally->lastSequence - tally->firstSequence + 1;
        const std::uint64_t accounted = tally->frames + tally->undecodable;
        result.dropped = numbered > accounted ? numbered - accounted : 0;
    }
    return result;
}

// Another value the control accepts; nullopt when it has none.
std::optional<std::int32_t> OtherValue(const CaptureControl& control) {
    switch (control.kind) {
    case ControlKind::Boolean:
        return control.value == 0 ? 1 : 0;
    case ControlKind::Menu:
        for (const ControlMenuItem& item : control.menu) {
            if (item.value != control.value) {
                return item.value;
            }
        }
        return std::nullopt;
    case ControlKind::Integer: {
        const std::int32_t step = std::max(control.step, 1);
        if (control.value <= control.maximum - step) {
            return control.value + step;
        }
        if (control.value >= control.minimum + step) {
            return control.value - step;
        }
        return std::nullopt;
    }
    case ControlKind::Button:
        break;
    }
    return std::nullopt;
}

std::optional<std::int32_t> ReadControl(const ICaptureDevice& camera, std::uint32_t id) {
    for (const CaptureControl& control : camera.Controls()) {
        if (control.id == id) {
            return control.value;
        }
    }
    return std::nullopt;
}

std::vector<ControlResult> CheckControls(ICaptureDevice& camera) {
    std::vector<ControlResult> results;
    for (const CaptureControl& control : camera.Controls()) {
        const auto other = OtherValue(control);
        if (control.readOnly || control.inactive || !other) {
            continue;
        }
        ControlResult result{control, *other, std::nullopt, {}};
        if (const CaptureStatus set = camera.SetControl(control.id, *other); !set) {
            result.error = set.message;
        }
        result.read = ReadControl(camera, control.id);
        camera.SetControl(control.id, control.value);
        results.push_back(result);
    }
    return results;
}

// The largest and the smallest size of every format (one when it has one).
std::vector<CaptureFormat> FormatsToStream(const ICaptureDevice& camera) {
    std::vector<CaptureFormat> formats;
    for (const CaptureFormatDesc& desc : camera.Formats()) {
        if (desc.sizes.empty()) {
            continue;
        }
        const auto area = [](const CaptureFrameSize& s) {
            return s.width * s.height;
        };
        const auto [smallest, largest] =
            std::minmax_element(desc.sizes.begin(), desc.sizes.end(),
                                [&](const auto& a, const auto& b) { return area(a) < area(b); });
        for (const auto* size : {&*largest, &*smallest}) {
            const FrameInterval interval =
                size->intervals.empty() ? FrameInterval{} : size->intervals.front();
            formats.push_back({desc.fourcc, size->width, size->height, interval});
            if (largest == smallest) {
                break;
            }
        }
    }
    return formats;
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QByteArray Json(const CaptureDeviceInfo& info, const std::vector<StreamResult>& streams,
                const std::vector<ControlResult>& controls) {
    QByteArray out = "{";
    QByteArray streamList = "[";
    for (const StreamResult& s : streams) {
        streamList += streamList.size() == 1 ? "\n    {" : ",\n    {";
        CJsonMembers(streamList)
            .String("fourcc", Text(Fourcc::ToString(s.format.fourcc)))
            .Integer("width", s.format.width)
            .Integer("height", s.format.height)
            .Number("seconds", s.seconds)
            .Integer("frames", static_cast<long long>(s.frames))
            .Number("fps", s.Fps())
            .Integer("dropped", static_cast<long long>(s.dropped))
            .Integer("undecodable", static_cast<long long>(s.undecodable))
            .String("first_error", Text(s.firstError));
        streamList += "}";
    }
    streamList += streams.empty() ? "]" : "\n  ]";
    QByteArray controlList = "[";
    for (const ControlResult& c : controls) {
        controlList += controlList.size() == 1 ? "\n    {" : ",\n    {";
        CJsonMembers members(controlList);
        members.String("name", Text(c.control.name))
            .Integer("id", c.control.id)
            .Integer("set", c.set);
        if (c.read) {
            members.Integer("read", *c.read);
        } else {
            members.Raw("read", "null");
        }
        members.Raw("ok", c.Ok() ? "true" : "false").String("error", Text(c.error));
        controlList += "}";
    }
    controlList += controls.empty() ? "]" : "\n  ]";
    out += "\n  ";
    CJsonMembers(out)
        .String("id", Text(info.id))
        .String("name", Text(info.friendlyName))
        .Raw("streams", streamList)
        .Raw("controls", controlList);
    out += "\n}\n";
    return out;
}

QByteArray PlainText(const CaptureDeviceInfo& info, const std::vector<StreamResult>& streams,
                     const std::vector<ControlResult>& controls) {
    QString out = QStringLiteral("%1 (%2)\n").arg(Text(info.friendlyName), Text(info.id));
    for (const StreamResult& s : streams) {
        out += QString::asprintf(
            "  %s %dx%d: %.1f fps, %llu frames, %llu dropped, "
            "%llu undecodable",
            Fourcc::ToString(s.format.fourcc).c_str(), s.format.width, s.format.height, s.Fps(),
            static_cast<unsigned long long>(s.frames), static_cast<unsigned long long>(s.dropped),
            static_cast<unsigned long long>(s.undecodable));
        out += s.firstError.empty() ? QStringLiteral("\n")
                                    : QStringLiteral("; first error: %1\n").arg(Text(s.firstError));
    }
    for (const ControlResult& c : controls) {
        out +=
            QStringLiteral("  control %1: set %2, read %3%4\n")
                .arg(Text(c.control.name))
                .arg(c.set)
                .arg(c.read ? QString::number(*c.read) : QStringLiteral("nothing"))
                .arg(c.Ok() ? QStringLiteral(", ok") : QStringLiteral(", FAILED ") + Text(c.error));
    }
    return out.toUtf8();
}

} // namespace

CCliOutcome RunCameraCheckCommand(const QStringList& arguments) {
    CCliOutcome outcome;
    QString device;
    double seconds = 2.0;
    bool text = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        bool ok = true;
        if (option == QStringLiteral("--text")) {
            text = true;
        } else if (option == QStringLiteral("--device") && i + 1 < arguments.size()) {
            device = arguments[++i];
        } else if (option == QStringLiteral("--seconds") && i + 1 < arguments.size()) {
            seconds = arguments[++i].toDouble(&ok);
            ok = ok && seconds > 0 && seconds <= 60;
        } else {
            ok = false;
        }
        if (!ok) {
            outcome.exitStatus = 2;
            outcome.error = QStringLiteral("camera-check: bad option %1").arg(option);
            return outcome;
        }
    }
    CreateDeviceEnumerator();
    EnumerateVideoDevices();
    const int slot = FindCameraSlot(device);
    std::string error;
    const auto camera =
        slot < 0 ? nullptr
                 : g_captureSession.devices[static_cast<std::size_t>(slot)].backend->Open(
                       g_captureSession.devices[slot].displayName, error);
    if (camera == nullptr) {
        outcome.exitStatus = 2;
        outcome.error = slot < 0 ? QStringLiteral("no camera %1").arg(device)
                                 : QStringLiteral("cannot open the camera: %1").arg(Text(error));
        return outcome;
    }
    const auto original = camera->CurrentFormat();
    std::vector<StreamResult> streams;
    for (const CaptureFormat& format : FormatsToStream(*camera)) {
        streams.push_back(Stream(*camera, format, seconds));
    }
    if (original) {
        camera->SetFormat(*original);
    }
    const std::vector<ControlResult> controls = CheckControls(*camera);
    outcome.output = text ? PlainText(camera->Info(), streams, controls)
                          : Json(camera->Info(), streams, controls);
    return outcome;
}
