#include "framework/PostedEvents.h"

#include <array>
#include <mutex>

#include <QCoreApplication>

namespace {

constexpr std::size_t kRoleCount = static_cast<std::size_t>(ReceiverRole::Magnifier) + 1;

std::mutex g_mutex;
std::array<QObject*, kRoleCount> g_receivers{};

std::size_t Index(ReceiverRole role) {
    return static_cast<std::size_t>(role);
}

} // namespace

QEvent::Type CPostedEvent::Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

CReceiverRegistration::CReceiverRegistration(ReceiverRole role, QObject* receiver) {
    Register(role, receiver);
}

CReceiverRegistration::~CReceiverRegistration() {
    Release();
}

void CReceiverRegistration::Register(ReceiverRole role, QObject* receiver) {
    Release();
    std::lock_guard lock(g_mutex);
    g_receivers[Index(role)] = receiver;
    m_role = role;
    m_receiver = receiver;
}

void CReceiverRegistration::Release() {
    std::lock_guard lock(g_mutex);
    // Only clear the role if no other receiver has taken it since.
    if (m_receiver != nullptr && g_receivers[Index(m_role)] == m_receiver) {
        g_receivers[Index(m_role)] = nullptr;
    }
    m_receiver = nullptr;
}

QObject* RegisteredReceiver(ReceiverRole role) {
    std::lock_guard lock(g_mutex);
    return g_receivers[Index(role)];
}

bool PostToReceiver(ReceiverRole role, int message, std::intptr_t wParam, std::intptr_t lParam) {
    // Holding the lock while posting keeps the receiver alive: it releases its
    // registration (under the same lock) before it is destroyed.
    std::lock_guard lock(g_mutex);
    QObject* receiver = g_receivers[Index(role)];
    if (receiver == nullptr) {
        return false;
    }
    QCoreApplication::postEvent(receiver, new CPostedEvent(message, wParam, lParam));
    return true;
}

bool SendToReceiver(ReceiverRole role, int message, std::intptr_t wParam, std::intptr_t lParam) {
    QObject* receiver = RegisteredReceiver(role);
    if (receiver == nullptr) {
        return false;
    }
    CPostedEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(receiver, &event);
    return true;
}
