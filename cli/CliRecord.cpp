#include "cli/CliRecord.h"

#include "camera/FramePipeline.h"
#include "capture/CaptureSession.h"
#include "cli/CliCamera.h"
#include "cli/CliCameraOptions.h"
#include "cli/CliCameraWatch.h"
#include "core/CliJson.h"
#include "core/FileWriting.h"
#include "recorder/Recording.h"
#include "recorder/VideoRecorder.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include <QFile>
#include <QFileInfo>

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

struct RecordRequest : CCameraOptions {
    double seconds = 0;
    double fps = 15.0;
    VideoCodec codec = VideoCodec::Mjpeg;
    QString codecName = QStringLiteral("mjpeg");
};

std::optional<RecordRequest> ParseRecord(const QStringList& arguments, QString& error) {
    RecordRequest request;
    bool hasSeconds = false;
    bool hasCodec = false;
    const auto recordOption = [&](const QString& option, const QString* value, QString& reason) {
        const bool codecOption =
            option == QStringLiteral("--uncompressed") || option == QStringLiteral("--codec");
        if (codecOption && value == nullptr && hasCodec) {
            reason = QStringLiteral("give either --uncompressed or --codec");
            return COptionResult::Bad;
        }
        if (value == nullptr) {
            if (option != QStringLiteral("--uncompressed")) {
                return COptionResult::Unknown;
            }
            hasCodec = true;
            request.codec = VideoCodec::Uncompressed;
            request.codecName = QStringLiteral("uncompressed");
            return COptionResult::Taken;
        }
        bool ok = true;
        if (option == QStringLiteral("--seconds")) {
            request.seconds = value->toDouble(&ok);
            ok = ok && request.seconds > 0 && request.seconds <= kMaxSeconds;
            hasSeconds = true;
        } else if (option == QStringLiteral("--fps")) {
            request.fps = value->toDouble(&ok);
            ok = ok && request.fps >= kMinRecordingFps && request.fps <= kMaxRecordingFps;
        } else if (option == QStringLiteral("--codec")) {
            hasCodec = true;
            const auto codec = VideoCodecFromName(*value);
            ok = codec && *codec != VideoCodec::Uncompressed;
            if (ok && !VideoCodecPresent(*codec)) {
                reason = QStringLiteral("the %1 compressor is not available here; use mjpeg or "
                                        "--uncompressed")
                             .arg(*value);
                return COptionResult::Bad;
            }
            if (ok) {
                request.codec = *codec;
                request.codecName = *value;
            }
        } else {
            return COptionResult::Unknown;
        }
        return ok ? COptionResult::Taken : COptionResult::Bad;
    };
    if (!ParseCameraOptions(arguments, request, recordOption, error)) {
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

QByteArray Summary(const QString& file, const RecordRequest& request, const CaptureFormat& format,
                   const CRecorderStats& stats) {
    QByteArray out = "{";
    CJsonMembers(out)
        .String("file", file)
        .String("codec", request.codecName)
        .Integer("width", format.width)
        .Integer("height", format.height)
        .Number("fps", request.fps)
        .Integer("frames_written", static_cast<long long>(stats.framesWritten))
        .Integer("frames_dropped", static_cast<long long>(stats.framesDropped))
        .Integer("frames_passed_through", static_cast<long long>(stats.framesPassedThrough))
        .Integer("bytes", QFileInfo(file).size());
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

    // OUT.avi, else OUT-2.avi, OUT-3.avi...
    const QString file = FirstFreePath(request->out, QString::fromStdString(RecordingPartPath({})));
    CRecorderOptions options;
    options.path = file.toStdString();
    options.width = format->width;
    options.height = format->height;
    options.fps = request->fps;
    options.frameLimit = FramesFor(request->seconds, request->fps);
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
    CCliOutcome outcome;
    if (auto failure = StartCliCamera(outcome.warnings)) {
        g_framePipeline.flags.recording = 0;
        CloseCaptureGraph();
        SetRecorderSink(nullptr);
        recorder->Stop();
        QFile::remove(file);
        g_captureSession.frameCallback.onFrame = nullptr;
        g_captureSession.forcedFormat.reset();
        return *failure;
    }
    // The file starts with the first frame, so the clock does too: a camera
    // that is slow to start still gives S seconds of video.
    std::optional<QString> gone;
    const auto firstFrameBy = std::chrono::steady_clock::now() + kFirstFrameTimeout;
    while (g_framePipeline.flags.frameWritten.load() == 0 &&
           std::chrono::steady_clock::now() < firstFrameBy && !gone) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        gone = CliCameraGone(outcome.warnings);
    }
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(request->seconds));
    while (std::chrono::steady_clock::now() < end && !recorder->Failed() && !recorder->Complete() &&
           !gone) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        gone = CliCameraGone(outcome.warnings);
    }
    g_framePipeline.flags.recording = 0;
    CloseCaptureGraph();
    SetRecorderSink(nullptr);
    // Closing the file makes what was recorded before a loss playable.
    const CRecorderStats stats = recorder->Stop();
    g_captureSession.frameCallback.onFrame = nullptr;
    g_captureSession.forcedFormat.reset();
    if (!stats.error.empty()) {
        return Fail(QString::fromStdString(stats.error), 1);
    }
    if (gone) {
        outcome.exitStatus = kBadInput;
        outcome.error = stats.framesWritten == 0
                            ? *gone
                            : QStringLiteral("%1 The recording up to then is in %2.")
                                  .arg(*gone, QString::fromStdString(stats.file));
        return outcome;
    }
    if (stats.framesWritten == 0) {
        return Fail(QStringLiteral("no picture came from the camera"), 1);
    }
    outcome.output = Summary(QString::fromStdString(stats.file), *request, *format, stats);
    return outcome;
}
