#pragma once

#include "recorder/VideoRecorder.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QString>

// Starting and stopping the live recording on the GUI thread. The recorder
// runs as the frame pipeline's recording sink; the live view sets and clears
// the recording flag around these calls and runs the recording timer.
struct CRecordingSession {
    std::shared_ptr<CVideoRecorder> recorder;
    // The compressor used when `compress` is 0; the user's last choice.
    VideoCodec codec = VideoCodec::Mjpeg;
    // Frames are recorded with the live measurements and the scale bar drawn
    // on them, as snapshots have them; the user's last choice.
    bool imprint = false;
    CRecorderStats lastStats; // of the last recording that stopped
    QString lastFile;
    // Shows a message to the user (caption, text); the GUI connects it.
    std::function<void(const QString& caption, const QString& text)> showMessage;
};

extern CRecordingSession g_recording;

// "<folder>/YYYYMMDDhhmmss.avi" for a recording started at `start` (local
// time); "-2", "-3"... before the extension when that name is taken.
QString VideoFileName(const QString& videoFolder, const QDateTime& start);

// The compressors offered when recording compressed: MJPEG, then those of
// H.264 and FFV1 the libraries have.
std::vector<VideoCodec> AvailableVideoCodecs();
// The short name used on the command line and in the settings.
QString VideoCodecName(VideoCodec codec);
std::optional<VideoCodec> VideoCodecFromName(const QString& name);
// The name shown in the recording dialog.
QString VideoCodecTitle(VideoCodec codec);

// The compressor chosen last time, kept in the settings store; MJPEG when
// none was chosen or the chosen one is not available here. The imprint
// choice is kept beside it.
void LoadVideoCodecChoice();
bool SaveVideoCodecChoice();

// Opens a recording at `fps` of the frame size the camera delivers, in the
// video folder: uncompressed when `compress` is 1, else with the chosen
// compressor. 0 without a message when the video folder is missing; 0 with
// a message for a rate outside 0.1-240, and with "Invalid Compression" when
// the writer cannot be made (also before the first frame). 1 when recording
// can begin. The file holds `seconds` of frames at most (0: until stopped).
int StartRecording(double fps, double seconds = 0);

// Closes the file with everything queued; a recording that ended early (a
// full disk) says why. Does nothing when not recording.
void StopRecording();

// True once the running recording could not write any more; the recording
// timer then stops it.
bool RecordingFailed();
