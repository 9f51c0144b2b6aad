#include "cli/CliCameraWatch.h"

#include "capture/CaptureSession.h"

std::optional<CCliOutcome> StartCliCamera(QStringList& warnings) {
    RunCaptureGraph();
    const CaptureSession& session = g_captureSession;
    if (!CaptureStarted()) {
        CCliOutcome outcome;
        outcome.exitStatus = 2;
        outcome.error = session.startStatus.ok
                            ? QStringLiteral("the camera could not be started")
                            : QString::fromStdString(session.startStatus.message);
        return outcome;
    }
    if (!session.startNote.empty()) {
        warnings << QString::fromStdString(session.startNote);
    }
    return std::nullopt;
}

std::optional<QString> CliCameraGone(QStringList& warnings) {
    if (const std::string reason = ReadGraphEvent(); !reason.empty()) {
        return QString::fromStdString(reason);
    }
    switch (CheckCaptureStall()) {
    case StallVerdict::Fine:
        return std::nullopt;
    case StallVerdict::Restarted:
        warnings << QStringLiteral("the camera stopped sending pictures; it was restarted");
        return std::nullopt;
    case StallVerdict::Lost:
        break;
    }
    return QString::fromStdString(CaptureLostReason());
}
