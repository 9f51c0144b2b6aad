#pragma once

#include "capture/CaptureSession.h"
#include "framework/PostedEvents.h"

#include <vector>

#include <QCoreApplication>
#include <QObject>

// Puts the process-wide capture state back to how the program starts, with
// the given hardware backends and the virtual microscope.
void ResetCaptureState(std::vector<std::unique_ptr<ICaptureBackend>> hardware = {});

// Stands in for the live view: keeps the messages posted to it and, when
// asked, restarts the camera on a format change as the live view does.
class LiveViewStandIn : public QObject {
public:
    explicit LiveViewStandIn(bool restartOnFormatChange = false)
        : m_restart(restartOnFormatChange)
        , m_registration(ReceiverRole::LiveView, this) {}

    std::vector<int> received;

protected:
    void customEvent(QEvent* event) override;

private:
    bool m_restart;
    CReceiverRegistration m_registration;
};
