#pragma once

#include <functional>
#include <memory>

#include <QObject>
#include <QString>

class QWidget;
class CRecordingTicker;
class CCameraRefresher;

// What the live window lends its capture commands.
struct CLiveCommandHost {
    QWidget* view = nullptr;             // parent of dialogs and message boxes
    std::function<bool()> cameraOpen;    // OpenCamera's result
    std::function<double()> zoom;        // the view's zoom
    std::function<bool()> refreshCamera; // RefreshCamera under the view's lock; true on success
    std::function<void(const QString&)> showStatusPane0;
};

// The live window's capture commands: snapshots, picture export, recording
// and reopening the camera after device and power events. GUI thread; the
// picture work itself is toolkit-free (LiveSnapshot, RecordingTicker).
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
    bool Recording() const;

    // Listens to the device and power monitors itself and calls
    // host.refreshCamera.

private:
    CLiveCommandHost m_host;
};
