#include "cli/CliRecord.h"

#include "cli/CliCamera.h"
#include "core/CliJson.h"
#include "capture/CaptureSession.h"
#include "camera/FramePipeline.h"
#include "recorder/Recording.h"
#include "recorder/VideoRecorder.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include <QFileInfo>
#include <QRegularExpression>

namespace {

constexpr int kBadInput = 2;
constexpr double kMaxSeconds = 24 * 3600.0;
constexpr auto kFirstFrameTimeout = std::chrono::seconds(10);

CCliOutcome Fail(const QString& error, int status = kBadInput) {
    CCliOutcome outcome;
    outcome.exitStatus = status;
    outcome.error = error;
    return outcome;
}

struct RecordRequest {
    QString out;
    double seconds = 0;
    double fps = 15.0;
    VideoCodec codec = VideoCodec::Mjpeg;
    QString codecName = QStringLiteral("mjpeg");
    QString device;
    std::optional<std::pair<int, int>> size;
    bool mirror = false;
    bool rotate = false;
};

std::optional<RecordRequest> ParseRecord(const QStringList& arguments, QString& error) {
    RecordRequest request;
    bool hasSeconds = false;
    bool hasCodec = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!argument.startsWith(QStringLiteral("--"))) {
            if (!request.out.isEmpty()) {
                error = QStringLiteral("more than one output file");
                return std::nullopt;
            }
            request.out = argument;
            continue;
        }
        if (argument == QStringLiteral("--mirror") || argument == QStringLiteral("--rotate")) {
            (argument == QStringLiteral("--mirror") ? request.mirror : request.rotate) = true;
            continue;
        }
        if (argument == QStringLiteral("--uncompressed")) {
            if (hasCodec) {
                error = QStringLiteral("give either --uncompressed or --codec");
                return std::nullopt;
            }
            hasCodec = true;
            request.codec = VideoCodec::Uncompressed;
            request.codecName = QStringLiteral("uncompressed");
            continue;
        }
        if (i + 1 >= arguments.size()) {
            error = QStringLiteral("%1 needs a value").arg(argument);
            return std::nullopt;
        }
        const QString value = arguments[++i];
        bool ok = true;
        if (argument == QStringLiteral("--seconds")) {
            request.seconds = value.toDouble(&ok);
            ok = ok && request.seconds > 0 && request.seconds <= kMaxSeconds;
            hasSeconds = true;
        } else if (argument == QStringLiteral("--fps")) {
            request.fps = value.toDouble(&ok);
            ok = ok && request.fps >= kMinRecordingFps && request.fps <= kMaxRecordingFps;
        } else if (argument == QStringLiteral("--codec")) {
            if (hasCodec) {
                error = QStringLiteral("give either --uncompressed or --codec");
                return std::nullopt;
            }
            hasCodec = true;
            const auto codec = VideoCodecFromName(value);
            ok = codec && *codec != VideoCodec::Uncompressed;
            if (ok && !VideoCodecPresent(*codec)) {
                error = QStringLiteral("the %1 compressor is not available here; use mjpeg or "
                                       "--uncompressed")
                            .arg(value);
                return std::nullopt;
            }
            if (ok) {
                request.codec = *codec;
                request.codecName = value;
            }
        } else if (argument == QStringLiteral("--device")) {
            request.device = value;
        } else if (argument == QStringLiteral("--size")) {
            const QRegularExpressionMatch match =
                QRegularExpression(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$")).match(value);
            ok = match.hasMatch();
            if (ok) {
                request.size = {match.captured(1).toInt(), match.captured(2).toInt()};
            }
        } else {
            error = QStringLiteral("unknown option %1").arg(argument);
            return std::nullopt;
        }
        if (!ok) {
            error = QStringLiteral("bad value for %1: %2").arg(argument, value);
            return std::nullopt;
        }
    }
    if (request.out.isEmpty()) {
        error = QStringLiteral("no output file given");
        return std::nullopt;
    }
    if (QFileInfo(request.out).suffix().toLower() != QStringLiteral("avi")) {
        error = QStringLiteral("the output must end in .avi: %1").arg(request.out);
        return std::nullopt;
    }
    if (!hasSeconds) {
        error = QStringLiteral("--seconds is needed");
        return std::nullopt;
    }
    return request;
}

// The first free name: OUT.avi, else OUT-2.avi, OUT-3.avi...
QString FreeName(const QString& out) {
    const QString suffix = QFileInfo(out).suffix();
    const QString stem = out.left(out.size() - suffix.size() - 1);
    QString name = out;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo::exists(name + QStringLiteral(".part"));
         ++n) {
        name = stem + QString::asprintf("-%d.", n) + suffix;
    }
    return name;
}

QByteArray Summary(const QString& file, const RecordRequest& request, const CaptureFormat& format,
                   const CRecorderStats& stats) {
    QByteArray out = "{\"file\": ";
    AppendJsonString(out, file);
    out += ", \"codec\": ";
    AppendJsonString(out, request.codecName);
    out += ", \"width\": ";
    AppendJsonInteger(out, format.width);
    out += ", \"height\": ";
    AppendJsonInteger(out, format.height);
    out += ", \"fps\": ";
    AppendJsonNumber(out, request.fps);
    out += ", \"frames_written\": ";
    AppendJsonInteger(out, static_cast<long long>(stats.framesWritten));
    out += ", \"frames_dropped\": ";
    AppendJsonInteger(out, static_cast<long long>(stats.framesDropped));
    out += ", \"frames_passed_through\": ";
    AppendJsonInteger(out, static_cast<long long>(stats.framesPassedThrough));
    out += ", \"bytes\": ";
    AppendJsonInteger(out, QFileInfo(file).size());
    out += "}\n";
    return out;
}

} // namespace

CCliOutcome RunRecordCommand(const QStringList& arguments) {
    QString error;
    const auto request = ParseRecord(arguments, error);
    if (!request) {
        return Fail(error);
    }
    if (auto failure = BindCameraForOutput(request->device, request->out)) {
        return *failure;
    }
    if (request->size) {
        g_captureSession.forcedFormat = ChooseCaptureFormat(request->size, std::nullopt, error);
        if (!g_captureSession.forcedFormat) {
            CloseCaptureGraph();
            return Fail(error);
        }
    }
    g_captureSession.frameCallback.onFrame = BufferCB;
    BuildCaptureGraph();
    const auto format = g_captureSession.camera->CurrentFormat();
    if (!format) {
        CloseCaptureGraph();
        return Fail(QStringLiteral("the camera's frame size is unknown"), 1);
    }

    const QString file = FreeName(request->out);
    CRecorderOptions options;
    options.path = file.toStdString();
    options.width = format->width;
    options.height = format->height;
    options.fps = request->fps;
    options.codec = request->codec;
    std::string recorderError;
    auto recorder = CVideoRecorder::Create(options, recorderError);
    if (!recorder) {
        CloseCaptureGraph();
        return Fail(QString::fromStdString(recorderError), 1);
    }
    g_framePipeline.flags.mirror = request->mirror ? 1 : 0;
    g_framePipeline.flags.rotate = request->rotate ? 1 : 0;
    SetRecorderSink(recorder);
    g_framePipeline.flags.frameWritten = 0;
    g_framePipeline.flags.recording = 1;
    RunCaptureGraph();
    // The file starts with the first frame, so the clock does too: a camera
    // that is slow to start still gives S seconds of video.
    const auto firstFrameBy = std::chrono::steady_clock::now() + kFirstFrameTimeout;
    while (g_framePipeline.flags.frameWritten.load() == 0 &&
           std::chrono::steady_clock::now() < firstFrameBy) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(request->seconds));
    while (std::chrono::steady_clock::now() < end && !recorder->Failed()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    g_framePipeline.flags.recording = 0;
    CloseCaptureGraph();
    SetRecorderSink(nullptr);
    const CRecorderStats stats = recorder->Stop();
    g_captureSession.frameCallback.onFrame = nullptr;
    g_captureSession.forcedFormat.reset();
    if (!stats.error.empty()) {
        return Fail(QString::fromStdString(stats.error), 1);
    }
    if (stats.framesWritten == 0) {
        return Fail(QStringLiteral("no picture came from the camera"), 1);
    }
    CCliOutcome outcome;
    outcome.output = Summary(file, *request, *format, stats);
    return outcome;
}
