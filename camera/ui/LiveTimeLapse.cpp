#include "camera/ui/LiveTimeLapse.h"

#include "browser/ThumbnailAnnouncement.h"
#include "camera/FramePipeline.h"
#include "camera/LiveSnapshot.h"
#include "core/Folders.h"
#include "core/Parameters.h"
#include "document/PictureCalibration.h"
#include "framework/QImageDrawSurface.h"
#include "framework/ui/StatusBar.h"
#include "timelapse/CTimeLapseController.h"
#include "timelapse/ui/CTimeLapseDlg.h"

#include <QDateTime>

namespace {

// The newest frame as a snapshot would save it; none while the camera is gone.
std::optional<CDib> GrabLivePicture(const std::function<bool()>& streaming) {
    if (streaming && !streaming()) {
        return std::nullopt;
    }
    const std::optional<CStillFrame> frame = TakeFrameCopy();
    if (!frame) {
        return std::nullopt;
    }
    CStillRequest request;
    request.scaleBar = g_parameters.scalebar != 0;
    request.frameScale = ScaleInForce();
    CDib picture;
    QString error;
    if (!ComposeStillPicture(*frame, request, CopyLiveShapes(), QImageSurfaceFactory(), picture,
                             error)) {
        return std::nullopt;
    }
    return picture;
}

} // namespace

CLiveTimeLapse::CLiveTimeLapse(CLiveTimeLapseHost host, QObject* parent)
    : QObject(parent)
    , m_host(std::move(host)) {}

CLiveTimeLapse::~CLiveTimeLapse() {
    // The progress line lives in the frame's status bar, which outlasts us.
    delete m_progress;
}

bool CLiveTimeLapse::Running() const {
    return m_controller && m_controller->IsRunning();
}

void CLiveTimeLapse::Start() {
    if (Running()) {
        return;
    }
    CTimeLapseDlg dialog(g_folders.snapshotFolder, QDateTime::currentDateTime(), m_host.view);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const std::function<bool()> streaming = m_host.streaming;
    auto* controller = new CTimeLapseController(
        dialog.Settings(), [streaming] { return GrabLivePicture(streaming); }, this);
    connect(controller, &CTimeLapseController::pictureSaved, this, &AnnounceSavedPicture);
    connect(controller, &CTimeLapseController::pictureSaved, this,
            [view = m_host.view](const QString& path) { CStatusBar::ShowSavedFileIn(view, path); });
    connect(controller, &CTimeLapseController::finished, this, &CLiveTimeLapse::Ended);
    m_controller = controller;
    if (CStatusBar* bar = m_host.bar ? m_host.bar() : nullptr) {
        m_progress = new CTimeLapseProgress(controller, bar);
        bar->addWidget(m_progress, 1);
    }
    if (!controller->Start()) {
        Ended(controller->SummaryText());
    }
}

void CLiveTimeLapse::Ended(const QString& summary) {
    if (m_host.showSummary) {
        m_host.showSummary(summary);
    }
    if (m_progress) {
        m_progress->deleteLater();
    }
    if (m_controller) {
        // It may be in the middle of emitting `finished`.
        m_controller->deleteLater();
    }
}
