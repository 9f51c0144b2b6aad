#include "camera/CameraRefresher.h"

#include "capture/CaptureRefresh.h"
#include "capture/CaptureSession.h"

CCameraRefresher::CCameraRefresher(std::function<bool()> refresh, int settleMs, QObject* parent)
    : QObject(parent)
    , m_refresh(std::move(refresh)) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &CCameraRefresher::Refresh);
}

void CCameraRefresher::DevicesChanged() {
    m_settle.start();
}

void CCameraRefresher::PowerResumed() {
    m_settle.stop();
    Refresh();
}

void CCameraRefresher::Refresh() {
    // A message box shown while refreshing runs an event loop in which the
    // next event could arrive: it waits for its own settle time instead.
    if (m_refreshing) {
        m_settle.start();
        return;
    }
    m_refreshing = true;
    const bool ok = m_refresh ? m_refresh() : false;
    m_refreshing = false;
    emit refreshed(ok);
}

bool ReopenLiveCamera(CLiveCameraHold& hold) {
    std::lock_guard guard(hold.lock);
    if (hold.cameraId.empty()) {
        hold.cameraId = ChosenDeviceId();
    }
    CloseCaptureGraph();
    EnumerateAndChooseAgain(hold.cameraId);
    if (BindSelectedDevice() == 1 && BuildCaptureGraph() == 1 && CreateFrameSurface() == 1 &&
        RunCaptureGraph() == 1 && CaptureStarted()) {
        return true;
    }
    CloseCaptureGraph();
    return false;
}
