#pragma once

#include "capture/events/DeviceEventSource.h"

#include <memory>

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

// Watches the video devices being plugged, unplugged and changed, and says
// once that the camera list should be refreshed after a burst of events has
// settled (plugging one camera announces several nodes). Without an event
// source it stays silent. GUI thread.
class CVideoDeviceMonitor : public QObject {
    Q_OBJECT
public:
    explicit CVideoDeviceMonitor(QObject* parent = nullptr);
    CVideoDeviceMonitor(std::unique_ptr<IDeviceEventSource> source, int settleMs,
                        QObject* parent = nullptr);

    bool IsActive() const { return m_source != nullptr; }

signals:
    // The devices changed and have been quiet for the settle time since.
    void devicesChanged();

private:
    void OnReadable();

    std::unique_ptr<IDeviceEventSource> m_source;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_settle;
};
