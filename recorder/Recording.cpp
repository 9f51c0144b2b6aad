#include "recorder/Recording.h"

#include "camera/RecordingImprint.h"
#include "core/FileWriting.h"
#include "core/Folders.h"
#include "core/Language.h"
#include "core/Parameters.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

CRecordingSession g_recording;

namespace {

constexpr int kPromptLimit = 48;
// Beside the parameters, in a group of its own.
const QString kCodecKey = QStringLiteral("Recording/codec");
const QString kImprintKey = QStringLiteral("Recording/imprint");

void Tell(const QString& caption, const QString& text) {
    if (g_recording.showMessage) {
        g_recording.showMessage(caption, text);
    }
}

QString RecordPromptCaption() {
    return GetLanguageString(QStringLiteral("Recordprompt"), QStringLiteral("Record Prompt"),
                             kPromptLimit);
}

} // namespace

QString VideoFileName(const QString& videoFolder, const QDateTime& start) {
    const QDate d = start.date();
    const QTime t = start.time();
    return FirstFreePath(videoFolder + QString::asprintf("/%4d%02d%02d%02d%02d%02d.avi", d.year(),
                                                         d.month(), d.day(), t.hour(), t.minute(),
                                                         t.second()),
                         QString::fromStdString(RecordingPartPath({})));
}

std::vector<VideoCodec> AvailableVideoCodecs() {
    std::vector<VideoCodec> codecs;
    for (const VideoCodec codec : {VideoCodec::Mjpeg, VideoCodec::H264, VideoCodec::Ffv1}) {
        if (VideoCodecPresent(codec)) {
            codecs.push_back(codec);
        }
    }
    return codecs;
}

QString VideoCodecName(VideoCodec codec) {
    switch (codec) {
    case VideoCodec::Uncompressed:
        return QStringLiteral("uncompressed");
    case VideoCodec::Mjpeg:
        return QStringLiteral("mjpeg");
    case VideoCodec::H264:
        return QStringLiteral("h264");
    case VideoCodec::Ffv1:
        return QStringLiteral("ffv1");
    }
    return {};
}

QString VideoCodecTitle(VideoCodec codec) {
    switch (codec) {
    case VideoCodec::Uncompressed:
        return QStringLiteral("Uncompressed");
    case VideoCodec::Mjpeg:
        return QStringLiteral("Motion JPEG");
    case VideoCodec::H264:
        return QStringLiteral("H.264");
    case VideoCodec::Ffv1:
        return QStringLiteral("FFV1 (lossless)");
    }
    return {};
}

std::optional<VideoCodec> VideoCodecFromName(const QString& name) {
    for (const VideoCodec codec :
         {VideoCodec::Uncompressed, VideoCodec::Mjpeg, VideoCodec::H264, VideoCodec::Ffv1}) {
        if (VideoCodecName(codec) == name) {
            return codec;
        }
    }
    return std::nullopt;
}

void LoadVideoCodecChoice() {
    QSettings store(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
    const auto codec = VideoCodecFromName(store.value(kCodecKey).toString());
    // A choice made where an encoder existed that this system lacks falls
    // back to the one that is always there.
    g_recording.codec = codec && *codec != VideoCodec::Uncompressed && VideoCodecPresent(*codec)
                            ? *codec
                            : VideoCodec::Mjpeg;
    g_recording.imprint = store.value(kImprintKey, false).toBool();
}

bool SaveVideoCodecChoice() {
    QSettings store(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
    store.setValue(kCodecKey, VideoCodecName(g_recording.codec));
    store.setValue(kImprintKey, g_recording.imprint);
    store.sync();
    return store.status() == QSettings::NoError;
}

int StartRecording(double fps, double seconds) {
    if (g_recording.recorder) {
        return 0;
    }
    const QString folder = g_folders.videoFolder;
    if (folder.isEmpty() || !QDir(folder).exists()) {
        return 0;
    }
    if (!(fps >= kMinRecordingFps && fps <= kMaxRecordingFps)) {
        // Non-numeric text in the dialog arrives as 0: say what is wrong
        // rather than blaming the compressor.
        Tell(RecordPromptCaption(),
             QString::asprintf("The frame rate must be between %.1f and %.0f frames per second.",
                               kMinRecordingFps, kMaxRecordingFps));
        return 0;
    }
    CRecorderOptions options;
    options.path = VideoFileName(folder, QDateTime::currentDateTime()).toStdString();
    options.width = g_framePipeline.frameWidth.load();
    options.height = g_framePipeline.frameHeight.load();
    options.fps = fps;
    options.frameLimit = FramesFor(seconds, fps);
    options.codec = g_parameters.compress == 1 ? VideoCodec::Uncompressed : g_recording.codec;
    std::string error;
    auto recorder = CVideoRecorder::Create(options, error);
    if (!recorder) {
        Tell(RecordPromptCaption(),
             GetLanguageString(QStringLiteral("Recordpromptcontent"),
                               QStringLiteral("Invalid Compression"), kPromptLimit));
        return 0;
    }
    g_recording.recorder = recorder;
    g_recording.lastFile = QString::fromStdString(options.path);
    if (g_recording.imprint) {
        SetRecorderSink(std::make_shared<CImprintingSink>(std::move(recorder)));
    } else {
        SetRecorderSink(std::move(recorder));
    }
    return 1;
}

void StopRecording() {
    if (!g_recording.recorder) {
        return;
    }
    SetRecorderSink(nullptr);
    g_recording.lastStats = g_recording.recorder->Stop();
    g_recording.recorder.reset();
    if (!g_recording.lastStats.error.empty()) {
        Tell(RecordPromptCaption(), QString::fromStdString(g_recording.lastStats.error));
    }
}

bool RecordingFailed() {
    return g_recording.recorder && g_recording.recorder->Failed();
}
