#pragma once

#include "timelapse/CTimeLapseController.h"
#include "timelapse/ui/CTimeLapseDlg.h"

#include <functional>

#include <QObject>
#include <QPointer>
#include <QString>

class CStatusBar;
class QWidget;

// What the live window lends its time-lapse.
struct CLiveTimeLapseHost {
    QWidget* view = nullptr;          // parent of the dialog
    std::function<bool()> streaming;  // false while the camera is gone
    std::function<CStatusBar*()> bar; // where the progress line goes; may give none
    std::function<void(const QString&)> showSummary;
};

// The live window's time-lapse: the dialog, then a series of pictures of the
// live frame with the live measurements imprinted, as a snapshot has them,
// into the snapshot folder. The progress line with its Stop button sits in
// the status bar while the series runs, and every picture is announced to the
// browser as it is written. Refreshing the camera leaves the series running:
// while no frames come the controller counts the pictures as missed. GUI
// thread only.
class CLiveTimeLapse : public QObject {
    Q_OBJECT
public:
    CLiveTimeLapse(CLiveTimeLapseHost host, QObject* parent = nullptr);
    ~CLiveTimeLapse() override;

    // Asks for the plan and starts it; nothing when the dialog is cancelled
    // or a series already runs.
    void Start();
    bool Running() const;
    // The running series, or none.
    CTimeLapseController* Controller() const { return m_controller; }

private:
    void Ended(const QString& summary);

    CLiveTimeLapseHost m_host;
    QPointer<CTimeLapseController> m_controller;
    QPointer<CTimeLapseProgress> m_progress;
};
