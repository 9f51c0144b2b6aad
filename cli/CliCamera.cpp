#include "cli/CliCamera.h"

#include "calibration/Calibration.h"
#include "calibration/CalibrationFiles.h"
#include "camera/FrameTransform.h"
#include "camera/LiveDrawing.h"
#include "capture/CaptureSession.h"
#include "cli/CliCameraOptions.h"
#include "cli/CliCameraWatch.h"
#include "core/CliJson.h"
#include "core/FileWriting.h"
#include "document/PictureCalibration.h"
#include "framework/QImageDrawSurface.h"
#include "image/Dib.h"
#include "shapes/ScaleBar.h"
#include "timelapse/SnapshotFiles.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

constexpr int kBadInput = 2;
constexpr auto kWatchSlice = std::chrono::milliseconds(50);
constexpr int kMaxCount = 100000;
constexpr double kMaxIntervalSeconds = 7 * 24 * 3600.0;

CCliOutcome Fail(const QString& error, int status = kBadInput) {
    CCliOutcome outcome;
    outcome.exitStatus = status;
    outcome.error = error;
    return outcome;
}

// The newest frame of the camera, copied off the streaming thread.
struct FrameMailbox {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::uint8_t> bgr;
    int width = 0;
    int height = 0;
    std::uint64_t frames = 0; // complete frames received
    std::chrono::steady_clock::time_point arrivedAt;
    // A frame not yet saved and young enough to count as live.
    bool FreshSince(std::uint64_t seen) const {
        return frames > seen && std::chrono::steady_clock::now() - arrivedAt <= kMaxStillAge;
    }
};

struct SnapshotRequest : CCameraOptions {
    std::optional<std::uint32_t> fourcc;
    int count = 0; // 0: a single picture without a number
    double interval = 0;
    bool scaleBar = false;
    QString session; // live shapes to imprint, empty for none
};

std::optional<SnapshotRequest> ParseSnapshot(const QStringList& arguments, QString& error) {
    SnapshotRequest request;
    bool hasInterval = false;
    const auto snapshotOption = [&](const QString& option, const QString* value, QString&) {
        if (value == nullptr) {
            const bool scaleBar = option == QStringLiteral("--scale-bar");
            request.scaleBar = request.scaleBar || scaleBar;
            return scaleBar ? COptionResult::Taken : COptionResult::Unknown;
        }
        bool ok = true;
        if (option == QStringLiteral("--format")) {
            request.fourcc = Fourcc::Parse(value->toUpper().toStdString());
            ok = request.fourcc.has_value();
        } else if (option == QStringLiteral("--count")) {
            request.count = value->toInt(&ok);
            ok = ok && request.count >= 1 && request.count <= kMaxCount;
        } else if (option == QStringLiteral("--session")) {
            request.session = *value;
        } else if (option == QStringLiteral("--interval")) {
            request.interval = value->toDouble(&ok);
            ok = ok && request.interval >= 0 && request.interval <= kMaxIntervalSeconds;
            hasInterval = true;
        } else {
            return COptionResult::Unknown;
        }
        return ok ? COptionResult::Taken : COptionResult::Bad;
    };
    if (!ParseCameraOptions(arguments, request, snapshotOption, error)) {
        return std::nullopt;
    }
    static const QStringList kSuffixes{QStringLiteral("bmp"),  QStringLiteral("jpg"),
                                       QStringLiteral("jpeg"), QStringLiteral("tif"),
                                       QStringLiteral("tiff"), QStringLiteral("png")};
    if (!kSuffixes.contains(QFileInfo(request.out).suffix().toLower())) {
        error =
            QStringLiteral("the output must end in .bmp, .jpg, .tif or .png: %1").arg(request.out);
        return std::nullopt;
    }
    if (hasInterval && request.count == 0) {
        error = QStringLiteral("--interval needs --count");
        return std::nullopt;
    }
    return request;
}

// The frame with the scale bar of the current calibration drawn on it, as the
// live picture shows it. False when there is no memory for it.
bool BurnScaleBar(CDib& dib) {
    auto surface = CQImageDrawSurface::Create(dib.Width(), dib.Height());
    if (!surface) {
        return false;
    }
    surface->Context().StretchBitmap(0, 0, dib.Width(), dib.Height(), dib.View());
    DrawPictureScaleBar(surface->Context(), dib.Width(), dib.Height(), 1.0, 0, 0,
                        CurrentConversion(), g_calibration.unit, CScaleBarStyle::FromSettings());
    return dib.CreateFromSurface(surface->Pixels());
}

// The frame as a picture, with the live shapes drawn on it at scale 1 as
// the live view's snapshots imprint them, and the scale bar when asked for.
bool MakePicture(const FrameMailbox& frame, const std::vector<CVideoShap>& shapes, bool scaleBar,
                 CDib& dib) {
    if (!dib.Create(frame.width, frame.height, 24) || dib.ImageSize() != frame.bgr.size()) {
        return false;
    }
    std::memcpy(dib.Bits(), frame.bgr.data(), frame.bgr.size());
    if (!shapes.empty()) {
        const auto surface = CQImageDrawSurface::Create(frame.width, frame.height);
        if (!surface) {
            return false;
        }
        dib.Draw(surface->Context(), 0, 0, frame.width, frame.height);
        DrawLiveShapes(surface->Context(), shapes, 1.0, 0, 0, CurrentLiveDrawingStyle());
        if (!dib.CreateFromSurface(surface->Pixels())) {
            return false;
        }
    }
    return !scaleBar || BurnScaleBar(dib);
}

// The live shapes of the session file (standard input for "-"); nullopt when
// they were read, else the failure to report.
std::optional<CCliOutcome> ReadSessionShapes(const QString& path, std::vector<CVideoShap>& shapes) {
    QFile file;
    QString folder = QStringLiteral(".");
    bool opened = false;
    if (path == QStringLiteral("-")) {
        opened = file.open(stdin, QIODevice::ReadOnly);
    } else if (!QFileInfo(path).isDir()) {
        file.setFileName(path);
        folder = QFileInfo(path).absolutePath();
        opened = file.open(QIODevice::ReadOnly);
    }
    const QByteArray json = opened ? file.readAll() : QByteArray();
    if (!opened || file.error() != QFileDevice::NoError) {
        return Fail(QStringLiteral("--session: cannot read \"%1\"").arg(path));
    }
    CCliOutcome outcome = ReadLiveSessionShapes(json, folder, shapes);
    if (outcome.exitStatus != 0) {
        outcome.error = QStringLiteral("--session: ") + outcome.error;
        return outcome;
    }
    return std::nullopt;
}

} // namespace

int FindCameraSlot(const QString& wanted) {
    if (wanted.isEmpty()) {
        return g_captureSession.deviceCount > 0 ? 0 : -1;
    }
    const std::string text = wanted.toStdString();
    for (const auto& entry : g_captureSession.devices) {
        if (entry.index >= 0 && entry.displayName == text) {
            return entry.index;
        }
    }
    for (const auto& entry : g_captureSession.devices) {
        if (entry.index >= 0 && entry.friendlyName == text) {
            return entry.index;
        }
    }
    return -1;
}

CCliOutcome RunDevicesCommand() {
    CreateDeviceEnumerator();
    EnumerateVideoDevices();
    QByteArray out = "{\"devices\": [";
    bool firstDevice = true;
    for (const VideoDeviceEntry& entry : g_captureSession.devices) {
        if (entry.index < 0) {
            continue;
        }
        out += firstDevice ? "\n  {\"slot\": " : ",\n  {\"slot\": ";
        firstDevice = false;
        AppendJsonInteger(out, entry.index);
        out += ", \"id\": ";
        AppendJsonString(out, QString::fromStdString(entry.displayName));
        out += ", \"name\": ";
        AppendJsonString(out, QString::fromStdString(entry.friendlyName));
        out += entry.hasStillSource ? ", \"still\": true" : ", \"still\": false";
        out += ", \"formats\": [";
        std::string error;
        const auto device = entry.backend->Open(entry.displayName, error);
        bool firstFormat = true;
        for (const CaptureFormatDesc& desc :
             device ? device->Formats() : std::vector<CaptureFormatDesc>{}) {
            for (const CaptureFrameSize& size : desc.sizes) {
                out += firstFormat ? "\n    {\"fourcc\": " : ",\n    {\"fourcc\": ";
                firstFormat = false;
                AppendJsonString(out, QString::fromStdString(Fourcc::ToString(desc.fourcc)));
                out += ", \"width\": ";
                AppendJsonInteger(out, size.width);
                out += ", \"height\": ";
                AppendJsonInteger(out, size.height);
                out += ", \"fps\": [";
                for (std::size_t i = 0; i < size.intervals.size(); ++i) {
                    const FrameInterval& interval = size.intervals[i];
                    out += i == 0 ? "" : ", ";
                    AppendJsonNumber(out, interval.numerator == 0
                                              ? 0.0
                                              : static_cast<double>(interval.denominator) /
                                                    interval.numerator);
                }
                out += "]}";
            }
        }
        out += firstFormat ? "]}" : "\n  ]}";
    }
    out += firstDevice ? "]}\n" : "\n]}\n";
    CCliOutcome outcome;
    outcome.output = out;
    return outcome;
}

CCliOutcome RunSnapshotCommand(const QStringList& arguments) {
    QString error;
    const auto request = ParseSnapshot(arguments, error);
    if (!request) {
        return Fail(error);
    }
    // The calibration the application would measure this camera with: the
    // scale bar shows it and TIFF and PNG pictures carry it.
    LoadCalibrations();
    RestoreDefaultCalibration();
    // The session is checked before the camera is opened; its calibration,
    // when it has one, is the one its shapes and the scale bar are shown in.
    std::vector<CVideoShap> shapes;
    if (!request->session.isEmpty()) {
        if (auto failure = ReadSessionShapes(request->session, shapes)) {
            return *failure;
        }
    }
    if (auto failure = BindCameraForOutput(request->device, request->out)) {
        return *failure;
    }
    g_captureSession.forcedFormat = ChooseCaptureFormat(request->size, request->fourcc, error);
    if (!error.isEmpty()) {
        CloseCaptureGraph();
        return Fail(error);
    }
    // A format named on the command line is kept even when the bus cannot
    // carry it: the user hears why instead of getting another one.
    g_captureSession.keepFormat = request->fourcc.has_value();

    auto mailbox = std::make_shared<FrameMailbox>();
    const bool mirror = request->mirror;
    const bool rotate = request->rotate;
    g_captureSession.frameCallback.onFrame = [mailbox, mirror, rotate](const CaptureFrame& frame) {
        // Only whole frames of the format count as good ones, and only once
        // the camera has settled.
        if (frame.sequence < kSettlingFrames || frame.bgr == nullptr || frame.width <= 0 ||
            frame.bytes != static_cast<std::size_t>(BgrStride(frame.width)) * frame.height) {
            return;
        }
        std::lock_guard lock(mailbox->mutex);
        mailbox->bgr.assign(frame.bgr, frame.bgr + frame.bytes);
        // As the live picture turns them: a mirror, then a half turn.
        if (mirror) {
            MirrorFrame(mailbox->bgr.data(), frame.width, frame.height, BgrStride(frame.width));
        }
        if (rotate) {
            RotateFrame(mailbox->bgr.data(), frame.width, frame.height, BgrStride(frame.width));
        }
        mailbox->width = frame.width;
        mailbox->height = frame.height;
        mailbox->arrivedAt = std::chrono::steady_clock::now();
        ++mailbox->frames;
        mailbox->arrived.notify_all();
    };
    BuildCaptureGraph();
    CCliOutcome outcome;
    if (auto failure = StartCliCamera(outcome.warnings)) {
        outcome = *failure;
    }
    const int pictures = std::max(request->count, 1);
    std::uint64_t seen = 0;
    auto next = std::chrono::steady_clock::now();
    for (int n = 1; n <= pictures && outcome.exitStatus == 0; ++n) {
        std::this_thread::sleep_until(next);
        next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(request->interval));
        FrameMailbox frame;
        // Each picture is a frame newer than the last one saved: a camera that
        // stopped is restarted once, then given up, never repeated.
        std::optional<QString> gone;
        std::unique_lock lock(mailbox->mutex);
        while (!mailbox->FreshSince(seen) && !gone) {
            if (!mailbox->arrived.wait_for(lock, kWatchSlice,
                                           [&] { return mailbox->FreshSince(seen); })) {
                lock.unlock();
                gone = CliCameraGone(outcome.warnings);
                lock.lock();
            }
        }
        if (gone) {
            const QStringList warnings = outcome.warnings;
            outcome = Fail(*gone);
            outcome.warnings = warnings;
            break;
        }
        {
            seen = mailbox->frames;
            frame.bgr = mailbox->bgr;
            frame.width = mailbox->width;
            frame.height = mailbox->height;
            lock.unlock();
        }
        const QString path = request->count > 0 ? NumberedPath(request->out, n) : request->out;
        CDib picture;
        QByteArray bytes;
        if (!MakePicture(frame, shapes, request->scaleBar, picture)) {
            outcome = Fail(QStringLiteral("cannot encode the picture"), 1);
            break;
        }
        picture.SetScale(ScaleInForce());
        if (!EncodeSnapshot(picture, path, bytes)) {
            outcome = Fail(QStringLiteral("cannot encode the picture"), 1);
            break;
        }
        const QString written = WriteNewFile(path, bytes);
        if (written.isEmpty()) {
            outcome = Fail(QStringLiteral("cannot write %1").arg(path));
            break;
        }
        outcome.output += written.toUtf8() + '\n';
    }
    CloseCaptureGraph();
    g_captureSession.frameCallback.onFrame = nullptr;
    g_captureSession.forcedFormat.reset();
    g_captureSession.keepFormat = false;
    return outcome;
}

std::optional<CCliOutcome> BindCameraForOutput(const QString& device, const QString& out) {
    // Permission bits do not tell: root passes them everywhere, and folders
    // such as /proc refuse new files anyway. Creating one is the real test,
    // made before a camera is opened.
    QTemporaryFile probe(QFileInfo(out).absolutePath() + QStringLiteral("/.marnelo-XXXXXX"));
    if (!probe.open()) {
        return Fail(QStringLiteral("cannot write %1").arg(out));
    }
    CreateDeviceEnumerator();
    EnumerateVideoDevices();
    const int slot = FindCameraSlot(device);
    if (slot < 0) {
        return Fail(QStringLiteral("no camera %1").arg(device));
    }
    ChooseVideoDevice(slot);
    if (BindSelectedDevice() == 0) {
        return Fail(QStringLiteral("cannot open the camera %1 (%2)")
                        .arg(QString::fromStdString(g_captureSession.devices[slot].displayName),
                             QString::fromStdString(g_captureSession.startStatus.message)),
                    1);
    }
    return std::nullopt;
}

std::optional<CaptureFormat> ChooseCaptureFormat(std::optional<std::pair<int, int>> size,
                                                 std::optional<std::uint32_t> fourcc,
                                                 QString& error) {
    if (!size && !fourcc) {
        return std::nullopt;
    }
    const auto current = g_captureSession.camera->CurrentFormat();
    if (!current) {
        error = QStringLiteral("the camera's format cannot be chosen");
        return std::nullopt;
    }
    CaptureConfigFields wanted;
    wanted.compression = fourcc.value_or(current->fourcc);
    wanted.width = size ? size->first : current->width;
    wanted.height = size ? size->second : current->height;
    wanted.avgTimePerFrame = TimePerFrameOf(current->interval);
    const auto format = MatchCaptureConfig(wanted, g_captureSession.camera->Formats());
    if (!format) {
        error = QStringLiteral("the camera does not offer %1 at %2x%3")
                    .arg(QString::fromStdString(Fourcc::ToString(wanted.compression)))
                    .arg(wanted.width)
                    .arg(wanted.height);
    }
    return format;
}
