#include "capture/events/VideoDeviceMonitor.h"

namespace {
constexpr int kSettleMs = 1000;
}

CVideoDeviceMonitor::CVideoDeviceMonitor(QObject* parent)
    : CVideoDeviceMonitor(CreateUdevVideoEventSource(), kSettleMs, parent) {}

CVideoDeviceMonitor::CVideoDeviceMonitor(std::unique_ptr<IDeviceEventSource> source, int settleMs,
                                         QObject* parent)
    : QObject(parent)
    , m_source(std::move(source)) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &CVideoDeviceMonitor::devicesChanged);
    if (m_source) {
        m_notifier = std::make_unique<QSocketNotifier>(m_source->Fd(), QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this,
                &CVideoDeviceMonitor::OnReadable);
    }
}

void CVideoDeviceMonitor::OnReadable() {
    for (const DeviceEvent& event : m_source->ReadEvents()) {
        // Driver binding events come with every plug and say nothing new.
        if (event.action == "add" || event.action == "remove" || event.action == "change") {
            m_settle.start(); // restarts: a burst gives one refresh
        }
    }
}
