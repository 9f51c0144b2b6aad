#include "tests/capture/CaptureTestSupport.h"

#include "capture/VirtualMicroscope.h"

void ResetCaptureState(std::vector<std::unique_ptr<ICaptureBackend>> hardware) {
    CloseCaptureGraph();
    CaptureSession& session = g_captureSession;
    session.devices = {};
    session.deviceCount = 0;
    session.chosen = nullptr;
    session.enumerator = false;
    session.captureConfig = {};
    session.forcedFormat.reset();
    session.frameCallback = {};
    session.stillCallback = {};
    session.zoom = 1.0;
    session.keepFormat = false;
    session.startStatus = {};
    session.startNote.clear();
    session.stallTimeout = DefaultStallTimeout();
    session.stallRestarted = false;
    while (!ReadGraphEvent().empty()) {
    }
    g_captureShared = {};
    SetHardwareCaptureBackends(std::move(hardware));
    g_captureBackends.virtualMicroscope = MakeVirtualMicroscopeBackend();
}

void LiveViewStandIn::customEvent(QEvent* event) {
    if (event->type() != CPostedEvent::Type()) {
        return;
    }
    const int message = static_cast<CPostedEvent*>(event)->message();
    received.push_back(message);
    if (message == UM_FORMAT_CHANGED && m_restart) {
        RestartAfterFormatChange();
    }
}
