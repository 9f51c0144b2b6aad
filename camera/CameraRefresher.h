#pragma once

#include <functional>
#include <mutex>
#include <string>

#include <QObject>
#include <QTimer>

// Opens the live camera again after device and power events. Plugging a
// camera announces several changes in a row, so changes restart a settle
// timer and only its end refreshes: a burst within the settle time refreshes
// once. Waking from sleep refreshes at once. QtCore only; GUI thread.
class CCameraRefresher : public QObject {
    Q_OBJECT
public:
    // `refresh` reopens the camera (tearing the old connection down first)
    // and says whether it runs again.
    explicit CCameraRefresher(std::function<bool()> refresh, int settleMs = 1000,
                              QObject* parent = nullptr);

    // The video devices changed.
    void DevicesChanged();
    // The machine woke from sleep.
    void PowerResumed();

    bool Pending() const { return m_settle.isActive(); }
    int SettleMs() const { return m_settle.interval(); }

signals:
    // After every refresh: false when the camera could not be opened again
    // (the window then says so and keeps its last picture).
    void refreshed(bool ok);

private:
    void Refresh();

    std::function<bool()> m_refresh;
    QTimer m_settle;
    bool m_refreshing = false;
};

// The live window's hold on its camera across refreshes: the lock that
// serialises them (device, power and timer events) and the stable id of the
// camera to find again, kept while it is unplugged so that plugging it back
// in finds it even on another device node.
struct CLiveCameraHold {
    std::mutex lock;
    std::string cameraId; // empty: the chosen camera's at the first refresh
};

// Closes the camera and opens the same one again by its id: list, bind,
// build, make the surface, run, stopping at the first step that fails, after
// which everything is closed again. True when it runs. Any thread; waits for
// a refresh under way.
bool ReopenLiveCamera(CLiveCameraHold& hold);
