#include "camera/Recording.h"

#include "app/Folders.h"
#include "app/Language.h"
#include "app/Parameters.h"

#include <QDir>
#include <QFileInfo>

CRecordingSession g_recording;

namespace {

constexpr int kPromptLimit = 48;

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
    const QString stem =
        QString::asprintf("%s/%4d%02d%02d%02d%02d%02d", videoFolder.toUtf8().constData(), d.year(),
                          d.month(), d.day(), t.hour(), t.minute(), t.second());
    QString name = stem + QStringLiteral(".avi");
    for (int n = 2; QFileInfo::exists(name) || QFileInfo::exists(name + QStringLiteral(".part"));
         ++n) {
        name = stem + QString::asprintf("-%d.avi", n);
    }
    return name;
}

std::vector<VideoCodec> AvailableVideoCodecs() {
    return {VideoCodec::Mjpeg};
}

QString VideoCodecName(VideoCodec codec) {
    switch (codec) {
    case VideoCodec::Uncompressed:
        return QStringLiteral("uncompressed");
    case VideoCodec::Mjpeg:
        return QStringLiteral("mjpeg");
    }
    return {};
}

int StartRecording(double fps) {
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
    SetRecorderSink(std::move(recorder));
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
