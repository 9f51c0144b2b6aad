#include "app/PowerInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>

namespace {

constexpr int kCallTimeoutMs = 1000;

const QString kScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

// Connecting to a session bus that is not announced would make libdbus try to
// launch one; only use a bus that is there.
bool SessionBusAnnounced() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        return true;
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

bool SystemBusPresent() {
    return !qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS") ||
           QFileInfo::exists(QStringLiteral("/run/dbus/system_bus_socket"));
}

} // namespace

void CPowerInhibitor::Acquire() {
    const QString reason = QStringLiteral("Observing through the microscope");
    if (!m_screenSaverCookie && SessionBusAnnounced()) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            QDBusMessage call =
                QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath,
                                               kScreenSaverService, QStringLiteral("Inhibit"));
            call << QStringLiteral("Marnelo") << reason;
            const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                m_screenSaverCookie = reply.arguments().constFirst().toUInt();
            }
        }
    }
    if (!m_sleepLock.isValid() && SystemBusPresent()) {
        QDBusConnection bus = QDBusConnection::systemBus();
        if (bus.isConnected()) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
            call << QStringLiteral("sleep:idle") << QStringLiteral("Marnelo") << reason
                 << QStringLiteral("block");
            const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                m_sleepLock = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
            }
        }
    }
}

void CPowerInhibitor::Release() {
    if (m_screenSaverCookie && SessionBusAnnounced()) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath,
                                           kScreenSaverService, QStringLiteral("UnInhibit"));
        call << *m_screenSaverCookie;
        QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
    }
    m_screenSaverCookie.reset();
    // Closing the descriptor ends logind's inhibition.
    m_sleepLock = QDBusUnixFileDescriptor();
}
