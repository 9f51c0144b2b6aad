#pragma once

#include <functional>

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
