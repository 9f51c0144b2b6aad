#include "capture/events/PowerResumeMonitor.h"

#include <QDBusConnection>

CPowerResumeMonitor::CPowerResumeMonitor(QObject* parent)
    : QObject(parent) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return;
    }
    m_active = bus.connect(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"),
                           QStringLiteral("PrepareForSleep"), this, SLOT(OnPrepareForSleep(bool)));
}

void CPowerResumeMonitor::OnPrepareForSleep(bool sleeping) {
    if (!sleeping) {
        emit resumed();
    }
}
