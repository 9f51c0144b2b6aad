#include "camera/ui/CDeviceView.h"

#include "analysis/ui/CParticleDlg.h"
#include "analysis/ui/ParticleRun.h"
#include "camera/FramePipeline.h"
#include "camera/LiveMeasuring.h"
#include "camera/LiveOverlay.h"
#include "camera/LiveParticleCount.h"
#include "camera/LivePresenter.h"
#include "camera/ui/CDeviceDoc.h"
#include "camera/ui/LiveCommands.h"
#include "camera/ui/LiveFocusCommand.h"
#include "camera/ui/LiveMosaicToggle.h"
#include "camera/ui/LiveTimeLapse.h"
#include "capture/CaptureRefresh.h"
#include "capture/CaptureSession.h"
#include "core/CommandIds.h"
#include "core/Language.h"
#include "framework/ui/MDIFrameWnd.h"
#include "framework/ui/StatusBar.h"
#include "recorder/Recording.h"
#include "reports/ActiveImage.h"
#include "reports/ui/CMeasureResultFormView.h"
#include "reports/ui/LiveReportFlow.h"
#include "tools/OverlayNotice.h"

#include <QCoreApplication>
#include <QPainter>
#include <QRegion>
#include <QTimer>

namespace {

constexpr std::intptr_t kLiveList = 1;
constexpr std::intptr_t kWithProperties = 2;
const QColor kBackground(0xA0, 0xA0, 0xA0);

// Posted by the streaming thread when a new surface waits.
QEvent::Type SurfaceReadyType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool StartCamera() {
    return BindSelectedDevice() != 0 && BuildCaptureGraph() != 0 && CreateFrameSurface() != 0 &&
           RunCaptureGraph() != 0 && CaptureStarted();
}

constexpr int kMessageLimit = 256;

} // namespace

CDeviceView::CDeviceView(CDeviceDoc& document, QWidget* parent)
    : CMeasuringView(document, parent)
    , m_doc(document)
    , m_presenter(std::make_shared<CLivePresenter>(
          [this] { QCoreApplication::postEvent(this, new QEvent(SurfaceReadyType())); })) {
    setObjectName(QStringLiteral("DeviceView"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    // Frames may post to the live view as soon as the camera runs.
    m_registration.Register(ReceiverRole::LiveView, this);
    connect(&document, &CDeviceDoc::zoomChanged, this, &CDeviceView::ApplyZoom);
    connect(&document, &CDeviceDoc::toolsChanged, this, [this] {
        AbandonShape();
        viewport()->update();
    });
    connect(&m_watchdog, &CLiveWatchdog::restarted, this, [this] {
        ShowMessage(GetLanguageString(QStringLiteral("CameraRestarted"),
                                      QStringLiteral("The camera stopped sending pictures and "
                                                     "was restarted."),
                                      kMessageLimit));
    });
    connect(&m_watchdog, &CLiveWatchdog::lost, this, &CDeviceView::LoseCamera);
    connect(&m_watchdog, &CLiveWatchdog::troubleChanged, this, [this](const QString& error) {
        if (!error.isEmpty()) {
            ShowMessage(GetLanguageString(QStringLiteral("CameraFramesDropped"),
                                          QStringLiteral("The camera's pictures cannot be "
                                                         "shown: %1"),
                                          kMessageLimit)
                            .arg(error));
        }
    });
    m_cameraOpen = OpenCamera();
    m_streaming = m_cameraOpen;

    CLiveCommandHost host;
    host.view = this;
    host.cameraOpen = [this] {
        return m_cameraOpen;
    };
    host.zoom = [this] {
        return m_zoom;
    };
    host.refreshCamera = [this] {
        return RefreshCamera();
    };
    host.showStatusPane0 = [this](const QString& text) {
        if (CMDIFrameWnd* frame = mainFrame()) {
            frame->paneBar().SetPaneText(kMessagePane, text);
        }
    };
    host.referenceSize = [this] {
        return m_referenceSize;
    };
    host.particles = [this]() -> std::shared_ptr<const CParticleResult> {
        return m_presenter ? m_presenter->ParticleCount().Latest() : nullptr;
    };
    m_commands = std::make_unique<CLiveCommands>(std::move(host), nullptr);
    connect(m_commands.get(), &CLiveCommands::recordingChanged, &m_doc,
            &CDocument::CommandStateChanged);
    connect(m_commands.get(), &CLiveCommands::pictureSaved, this,
            [this](const QString& path) { CStatusBar::ShowSavedFileIn(this, path); });
    connect(m_commands.get(), &CLiveCommands::recordingChanged, this, [this](bool recording) {
        const CRecorderStats& stats = g_recording.lastStats;
        if (!recording && stats.framesWritten > 0 && !stats.file.empty()) {
            CStatusBar::ShowSavedFileIn(this, QString::fromStdString(stats.file));
        }
    });

    CLiveTimeLapseHost timeLapse;
    timeLapse.view = this;
    timeLapse.streaming = [this] {
        return m_streaming;
    };
    timeLapse.bar = [this]() -> CStatusBar* {
        CMDIFrameWnd* frame = mainFrame();
        return frame != nullptr ? &frame->paneBar() : nullptr;
    };
    timeLapse.showSummary = [this](const QString& text) {
        if (CMDIFrameWnd* frame = mainFrame()) {
            frame->paneBar().SetPaneText(kMessagePane, text);
        }
    };
    m_timeLapse = std::make_unique<CLiveTimeLapse>(std::move(timeLapse));
    m_mosaic = std::make_unique<CLiveMosaicToggle>(this);
    m_focusCommand =
        std::make_unique<CLiveFocusCommand>(this, m_presenter, [this](const QString& text) {
            if (CMDIFrameWnd* frame = mainFrame()) {
                frame->paneBar().SetPaneText(kMessagePane, text);
            }
        });
}

CDeviceView::~CDeviceView() {
    // A recording or time-lapse ends and the device monitors stop before the
    // camera goes.
    m_timeLapse.reset();
    m_focusCommand.reset();
    m_commands.reset();
    CloseCamera();
    m_mosaic.reset();
    // The count belongs to the live window.
    SetLiveParticleCount(nullptr);
    if (g_activeImage.shownBy == this) {
        g_activeImage = CActiveImage{};
        PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_PROPERTIES);
    }
}

bool CDeviceView::OnCommand(int id) {
    switch (id) {
    case ID_ZOOM_FIT:
        m_doc.ZoomToFit(FrameSize(), maximumViewportSize(), true);
        return true;
    case ID_TAKE_PICTURE:
        m_commands->TakeSnapshot();
        return true;
    case ID_TAKE_VIDEO:
        m_commands->ToggleRecording();
        return true;
    case ID_EXPORT_PICTURE:
        m_commands->ExportPicture();
        return true;
    case ID_VIDEO_SETTING:
        m_commands->VideoSetting();
        return true;
    case ID_EXPORT_CSV:
        ExportLiveToCsv(this);
        return true;
    case ID_EXPORT_EXCEL:
        ExportLiveToSpreadsheet(this);
        return true;
    case ID_EXPORT_WORD:
        ExportLiveToDocument(this);
        return true;
    case ID_TIME_LAPSE:
        m_timeLapse->Start();
        return true;
    case ID_LIVE_PARTICLES:
        ToggleParticleCount();
        return true;
    case ID_LIVE_MOSAIC:
        m_mosaic->Toggle(mainFrame());
        return true;
    case ID_LIVE_FOCUS_STACK:
        m_focusCommand->Toggle();
        m_doc.CommandStateChanged();
        return true;
    default:
        return false;
    }
}

void CDeviceView::ToggleParticleCount() {
    if (LiveParticleCountSettings()) {
        SetLiveParticleCount(nullptr);
        return;
    }
    CLiveParticleSettings settings;
    settings.options = LastParticleOptions();
    settings.options.region.reset();
    settings.scale = CurrentParticleScale();
    settings.caption =
        GetLanguageString("LiveParticleCaption", QStringLiteral("Particles: %1"), 64);
    SetLiveParticleCount(std::make_shared<const CLiveParticleSettings>(std::move(settings)));
}

bool CDeviceView::OnUpdateCommand(int id, CCmdUI& cmdUI) {
    if (id == ID_ZOOM_FIT) {
        cmdUI.SetCheck(m_doc.Zoom().fitted);
        return true;
    }
    if (id == ID_LIVE_PARTICLES) {
        cmdUI.Enable(m_cameraOpen);
        cmdUI.SetCheck(LiveParticleCountSettings() != nullptr);
        return true;
    }
    if (id == ID_LIVE_MOSAIC) {
        cmdUI.Enable(m_cameraOpen);
        cmdUI.SetCheck(m_mosaic->Running());
        return true;
    }
    if (id == ID_LIVE_FOCUS_STACK) {
        cmdUI.Enable(m_cameraOpen);
        cmdUI.SetCheck(m_focusCommand->Running());
        return true;
    }
    if (id == ID_TIME_LAPSE) {
        // One series at a time; its own Stop ends it.
        cmdUI.Enable(m_cameraOpen && !m_timeLapse->Running());
        return true;
    }
    return id == ID_TAKE_PICTURE || id == ID_TAKE_VIDEO || id == ID_EXPORT_PICTURE ||
           id == ID_VIDEO_SETTING || id == ID_EXPORT_EXCEL || id == ID_EXPORT_WORD ||
           id == ID_EXPORT_CSV;
}

void CDeviceView::RememberReferenceSize() {
    m_referenceSize = FrameSize();
    m_placement.SetImageSize(m_referenceSize.width(), m_referenceSize.height());
    // A picture window in front keeps its own size in the pane.
    if (g_activeImage.shownBy == this) {
        ShowSizeInPane();
        PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_PROPERTIES);
    }
}

void CDeviceView::ShowSizeInPane() {
    g_activeImage = CActiveImage{static_cast<unsigned>(m_referenceSize.width()),
                                 static_cast<unsigned>(m_referenceSize.height()), this};
}

void CDeviceView::OnInitialUpdate() {
    RememberReferenceSize();
    SetScrollSizes(ZoomedSize());
    PublishViewParams();
    CView::OnInitialUpdate();
    CheckCalibrationCamera();
}

void CDeviceView::OnActivateView(bool active) {
    if (!active) {
        EndCapture();
        return;
    }
    m_registration.Register(ReceiverRole::LiveView, this);
    // A selective export left pending belongs to the window as it was.
    RemoveLiveSelectionButtons(this);
    g_overlayNotice.text.clear();
    // A picture's note ("3 measurements restored from …") is not about this window.
    if (CMDIFrameWnd* frame = mainFrame()) {
        frame->ShowPrompt(QString());
    }
    RememberReferenceSize();
    ShowSizeInPane();
    AbandonShape();
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, kLiveList, kWithProperties);
}

bool CDeviceView::OpenCamera() {
    m_zoom = m_doc.Zoom().zoom;
    g_captureSession.zoom = m_zoom;
    g_captureSession.frameCallback.onFrame = BufferCB;
    g_framePipeline.settlingFrames = kSettlingFrames;
    SetPresenterSink(m_presenter);
    PublishViewParams();
    const bool started = StartCamera();
    TakeStartOutcome(started);
    if (started) {
        m_hold.cameraId = ChosenDeviceId();
        return true;
    }
    CloseCaptureGraph();
    return false;
}

void CDeviceView::TakeStartOutcome(bool started) {
    const CaptureSession& session = g_captureSession;
    m_trouble = started || session.startStatus.ok
                    ? QString()
                    : QString::fromStdString(session.startStatus.message);
    if (started) {
        m_watchdog.Start();
        if (!session.startNote.empty()) {
            // The status bar exists once the window is in its frame.
            QTimer::singleShot(0, this, [this, note = QString::fromStdString(session.startNote)] {
                ShowMessage(note);
            });
        }
    } else {
        m_watchdog.Stop();
    }
}

void CDeviceView::ShowMessage(const QString& text) {
    if (CMDIFrameWnd* frame = mainFrame()) {
        frame->paneBar().SetPaneText(kMessagePane, text);
    }
}

void CDeviceView::LoseCamera(const QString& reason) {
    m_watchdog.Stop();
    StopCaptureGraph();
    m_streaming = false;
    m_trouble = reason;
    ShowMessage(reason);
    viewport()->update();
}

bool CDeviceView::RefreshCamera() {
    // The last picture stays; "No Video Devices" goes over it if the camera
    // does not come back.
    m_streaming = ReopenLiveCamera(m_hold);
    TakeStartOutcome(m_streaming);
    if (m_streaming) {
        RememberReferenceSize();
        CheckCalibrationCamera();
    }
    // The camera may come back with another format.
    SetScrollSizes(ZoomedSize());
    viewport()->update();
    return m_streaming;
}

void CDeviceView::CloseCamera() {
    m_cameraOpen = false;
    m_streaming = false;
    m_watchdog.Stop();
    m_calibrationCheck.Forget();
    EndCapture();
    // The streaming thread has stopped once the capture is closed; only then
    // may the presenter and the live state go.
    CloseCaptureGraph();
    SetPresenterSink(nullptr);
    g_captureSession.frameCallback.onFrame = nullptr;
    ResetFramePipeline();
    // The next live window starts with an upright picture, as its tools do.
    g_framePipeline.flags.mirror = 0;
    g_framePipeline.flags.rotate = 0;
    g_liveShapes.shapes.clear();
    PublishLiveShapes();
    SetInProgressShape(CInProgressShape{});
    SetLiveViewParams(CLiveViewParams{});
    // A results pane listing the live measurements must not keep them.
    if (const auto* pane = qobject_cast<const CMeasureResultFormView*>(
            RegisteredReceiver(ReceiverRole::ResultsView));
        pane != nullptr && pane->source() == kLiveList) {
        PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, kLiveList, 0);
    }
}

CCalibrationCamera CDeviceView::CameraInUse() const {
    const QSize size = FrameSize();
    return {QString::fromStdString(m_hold.cameraId), size.width(), size.height()};
}

void CDeviceView::CheckCalibrationCamera() {
    if (!m_streaming) {
        return;
    }
    const QString warning = m_calibrationCheck.Check(this, CameraInUse());
    CMDIFrameWnd* frame = mainFrame();
    // A warning that no longer holds is taken away, other messages are left.
    if (frame != nullptr && (!warning.isEmpty() || !m_calibrationWarning.isEmpty())) {
        frame->paneBar().SetPaneText(kMessagePane, warning);
    }
    m_calibrationWarning = warning;
}

QPoint CDeviceView::FramePointOf(QPoint client) const {
    return ImagePointAt(ViewportToContent(client), m_zoom);
}

QSize CDeviceView::FrameSize() const {
    return {static_cast<int>(g_captureShared.frameWidth),
            static_cast<int>(g_captureShared.frameHeight)};
}

QSize CDeviceView::ZoomedSize() const {
    const QSize frame = FrameSize();
    return ZoomedFrameSize(frame.width(), frame.height(), m_zoom);
}

// A fitted frame is fitted again to the window's new size.
void CDeviceView::resizeEvent(QResizeEvent* event) {
    CMeasuringView::resizeEvent(event);
    if (m_doc.Zoom().fitted) {
        m_doc.ZoomToFit(FrameSize(), maximumViewportSize(), false);
    }
}

void CDeviceView::ApplyZoom() {
    EndCapture();
    m_zoom = m_doc.Zoom().zoom;
    g_captureSession.zoom = m_zoom;
    CreateFrameSurface();
    SetScrollSizes(ZoomedSize());
    ScrollToPosition(QPoint(0, 0));
    PublishViewParams();
    PublishInProgress();
    viewport()->update();
}

void CDeviceView::PublishViewParams() {
    PublishLiveDrawingStyle();
    CLiveViewParams params = LiveViewParams();
    params.zoom = m_zoom;
    params.scrollX = scrollPosition().x();
    params.scrollY = scrollPosition().y();
    SetLiveViewParams(params);
}

void CDeviceView::scrollContentsBy(int dx, int dy) {
    CView::scrollContentsBy(dx, dy);
    PublishViewParams();
    // The shape being drawn stays on the picture, not on the window.
    PublishInProgress();
}

void CDeviceView::TakeSurface() {
    // Every command that changes the calibration, the unit or the settings
    // runs on this thread between two surfaces, so the next frame is painted
    // in what they left.
    PublishLiveDrawingStyle();
    if (m_presenter->TakeLatest(m_shown)) {
        viewport()->update();
        m_mosaic->FollowStatus(mainFrame());
    }
}

bool CDeviceView::event(QEvent* event) {
    if (event->type() == SurfaceReadyType()) {
        TakeSurface();
        return true;
    }
    if (event->type() == CPostedEvent::Type()) {
        OnPosted(*static_cast<const CPostedEvent*>(event));
        return true;
    }
    return CView::event(event);
}

void CDeviceView::OnPosted(const CPostedEvent& posted) {
    switch (posted.message()) {
    case UM_FORMAT_CHANGED:
        m_zoom = m_doc.Zoom().zoom;
        g_captureSession.zoom = m_zoom;
        m_streaming = RestartAfterFormatChange() != 0;
        RememberReferenceSize();
        SetScrollSizes(ZoomedSize());
        ScrollToPosition(QPoint(0, 0));
        PublishViewParams();
        CheckCalibrationCamera();
        break;
    case UM_SURFACE_CHANGED:
        CreateFrameSurface();
        SetScrollSizes(ZoomedSize());
        ScrollToPosition(QPoint(0, 0));
        PublishViewParams();
        break;
    case UM_STILL_READY:
        m_commands->OnStillReady(static_cast<int>(posted.wParam()));
        break;
    case UM_TAKE_SNAPSHOT:
        m_commands->TakeSnapshot();
        break;
    case UM_GRAPH_EVENT:
        // The device events refresh the camera if it comes back; until then
        // the window says why the picture stopped.
        if (const std::string reason = ReadGraphEvent(); !reason.empty() && m_streaming) {
            LoseCamera(QString::fromStdString(reason));
        }
        break;
    default:
        break;
    }
}

void CDeviceView::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(viewport());
    const QRect client = viewport()->rect();
    QRect picture;
    if (!m_shown.isNull()) {
        picture = m_shown.rect().intersected(client);
        painter.drawImage(picture.topLeft(), m_shown, picture);
    }
    for (const QRect& uncovered : QRegion(client).subtracted(QRegion(picture))) {
        painter.fillRect(uncovered, kBackground);
    }
    if (m_streaming) {
        return;
    }
    painter.setPen(QColor(255, 0, 0));
    if (!m_trouble.isEmpty()) {
        painter.drawText(client.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                         m_trouble);
        return;
    }
    const QString text = QStringLiteral("No Video Devices");
    const QFontMetrics metrics = painter.fontMetrics();
    const int width = metrics.horizontalAdvance(text);
    const int x = width > client.width() ? 0 : (client.width() - width) / 2;
    const int y = (client.height() - metrics.height()) / 2 + metrics.ascent();
    painter.drawText(x, y, text);
}
