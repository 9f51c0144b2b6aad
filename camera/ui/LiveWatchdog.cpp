#include "camera/ui/LiveWatchdog.h"

#include "capture/CaptureSession.h"

#include <algorithm>

CLiveWatchdog::CLiveWatchdog(QObject* parent)
    : QObject(parent) {
    connect(&m_timer, &QTimer::timeout, this, &CLiveWatchdog::Check);
}

void CLiveWatchdog::Start() {
    // Often enough that a stall is noticed within a third of its timeout.
    const auto period =
        std::max<std::chrono::milliseconds::rep>(20, g_captureSession.stallTimeout.count() / 3);
    m_timer.start(static_cast<int>(period));
}

void CLiveWatchdog::Stop() {
    m_timer.stop();
    if (!m_trouble.isEmpty()) {
        m_trouble.clear();
        emit troubleChanged(m_trouble);
    }
}

void CLiveWatchdog::Check() {
    const QString trouble = QString::fromStdString(CaptureDecodeTrouble());
    if (trouble != m_trouble) {
        m_trouble = trouble;
        emit troubleChanged(m_trouble);
    }
    switch (CheckCaptureStall()) {
    case StallVerdict::Fine:
        break;
    case StallVerdict::Restarted:
        emit restarted();
        break;
    case StallVerdict::Lost:
        m_timer.stop();
        emit lost(QString::fromStdString(CaptureLostReason()));
        break;
    }
}
