#pragma once

#include "analysis/particles/ParticleAnalysis.h"
#include "camera/RecordingTicker.h"
#include "image/Dib.h"

#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>

class QWidget;
class CCameraRefresher;
class CVideoDeviceMonitor;
class CPowerResumeMonitor;

// What the live window lends its capture commands.
struct CLiveCommandHost {
    QWidget* view = nullptr;             // parent of dialogs and message boxes
    std::function<bool()> cameraOpen;    // OpenCamera's result
    std::function<double()> zoom;        // the view's zoom
    std::function<bool()> refreshCamera; // RefreshCamera under the view's lock; true on success
    std::function<void(const QString&)> showStatusPane0;
    // Optional. The picture export's reference size (the frame size when the
    // window was activated); the last frame's size when not given.
    std::function<QSize()> referenceSize;
    // Optional. Told after every refresh after a device or power event:
    // false when the camera could not be opened again ("No Video Devices"
    // over the last picture).
    std::function<void(bool ok)> cameraRefreshed;
    // Optional. The live particle count's latest objects (null while it is
    // off): a snapshot outlines them and keeps their table beside itself.
    std::function<std::shared_ptr<const CParticleResult>()> particles;
};

// The live window's capture commands: snapshots, picture export, recording
// and reopening the camera after device and power events. GUI thread; the
// picture work itself is toolkit-free (LiveSnapshot, RecordingTicker,
// CameraRefresher).
//
// The window forwards its commands and UM_STILL_READY here; its
// refreshCamera may be ReopenLiveCamera over a CLiveCameraHold it keeps
// (camera/CameraRefresher.h).
//
// A snapshot is always full size with the measurements imprinted; an export
// uses the export options chosen in its dialog. The options travel with the
// request, so the user's saved export options are never overwritten, not
// even while a request waits for the camera's next frame.
class CLiveCommands : public QObject {
    Q_OBJECT
public:
    CLiveCommands(CLiveCommandHost host, QObject* parent);
    ~CLiveCommands() override;

    void TakeSnapshot();              // "Take a picture", also the posted snapshot request
    void ExportPicture();             // "Export to picture"
    void ToggleRecording();           // "Start/Stop video"
    void VideoSetting();              // "Video Setting"
    void OnStillReady(int stillKind); // a still picture is due (GUI thread)
    // True while frames are being written (not while the file is closing).
    bool Recording() const;

    // The recording timer's tick (every second while recording).
    void RecordingTick();
    const CRecordingTicker& Ticker() const { return m_ticker; }
    bool RecordingTimerActive() const { return m_tick.isActive(); }

    // The file the last still picture went to; empty before the first.
    QString LastSavedPicture() const { return m_lastSaved; }

    // It listens to the device and power monitors itself and calls
    // host.refreshCamera through the refresher.
    CCameraRefresher& Refresher() { return *m_refresher; }
    CVideoDeviceMonitor& DeviceMonitor() { return *m_devices; }
    CPowerResumeMonitor& PowerMonitor() { return *m_power; }

signals:
    // A still picture was written to `path`.
    void pictureSaved(const QString& path);
    // Recording began or ended (menus and toolbar states follow it).
    void recordingChanged(bool recording);

private:
    // What the next still picture is for, as chosen when it was requested.
    struct CPendingExport {
        int sizeOption = 1;
        bool imprint = true;
        QString path;
        ImageType type = ImageType::Bmp;
    };

    double Zoom() const;
    QSize ReferenceSize() const;
    void RequestStill(int stillKind);
    void Tell(const QString& key, const QString& defaultText) const;
    void SetRecordingNotice(const QString& notice);
    void EndRecordingState();
    void EndRecordingNow();

    CLiveCommandHost m_host;
    std::optional<CPendingExport> m_export;
    std::optional<int> m_waitingStill; // a still kind waiting for a first frame copy
    QTimer m_stillRetry;
    int m_snapshotsDue = 0; // clicks of "Take a picture" not yet served
    QString m_lastSaved;

    CRecordingTicker m_ticker;
    QTimer m_tick;

    std::unique_ptr<CCameraRefresher> m_refresher;
    CVideoDeviceMonitor* m_devices;
    CPowerResumeMonitor* m_power;
};
