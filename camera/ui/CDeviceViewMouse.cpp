#include "camera/LiveMeasuring.h"
#include "camera/LiveOverlay.h"
#include "camera/VideoShape.h"
#include "camera/ui/CDeviceDoc.h"
#include "camera/ui/CDeviceView.h"
#include "core/MagnifierBuffer.h"
#include "core/Parameters.h"
#include "shapes/Shape.h"

#include <algorithm>

// The live view's mouse and keyboard: clicks through the placement into live
// measurements, the live area selection, the crosshair and the magnifier.

namespace {

constexpr int kAreaKind = 100;
constexpr std::intptr_t kLiveList = 1;

} // namespace

CPlacementInput CDeviceView::InputAt(QPoint client) const {
    return {m_doc.MeasureMode(), ViewportToContent(client), m_zoom};
}

bool CDeviceView::OnPicture(QPoint client) const {
    const QSize frame = FrameSize();
    return viewport()->rect().contains(client) &&
           OnZoomedPicture(ViewportToContent(client), frame.width(), frame.height(), m_zoom);
}

void CDeviceView::LeftButtonDown(QPoint client) {
    if (Capturing()) {
        client = Confined(client);
    }
    m_cursor = client;
    const int kind = m_doc.LiveKind();
    // Without a camera there is no picture to measure on.
    if (kind == 0 || !m_streaming) {
        return;
    }
    if (kind == LiveKind::kCrosshair) {
        // The crosshair goes wherever the user clicks, picture or not.
        m_placement.Press(InputAt(client));
        CLiveViewParams params = LiveViewParams();
        params.crosshairPosition = m_placement.Crosshair();
        SetLiveViewParams(params);
        return;
    }
    if (!OnPicture(client)) {
        return;
    }
    if (kind == kAreaKind) {
        m_areaDragging = true;
        m_areaFrom = ViewportToContent(client);
        StartCapture();
        return;
    }
    PressPlacement(m_placement, client);
}

void CDeviceView::LeftButtonUp(QPoint client) {
    const QPoint point = Capturing() ? Confined(client) : client;
    m_cursor = point;
    if (m_areaDragging) {
        EndAreaSelection(point);
        return;
    }
    if (m_doc.LiveKind() != 0 && m_doc.LiveKind() != kAreaKind) {
        ReleasePlacement(m_placement, point);
    } else if (!m_placement.IsPlacing()) {
        EndCapture();
    }
}

void CDeviceView::RightButtonDown(QPoint client) {
    m_cursor = client;
    if (m_doc.LiveKind() == kAreaKind) {
        m_areaDragging = false;
        EndCapture();
        CLiveViewParams params = LiveViewParams();
        params.adjustRect = QRect();
        SetLiveViewParams(params);
        return;
    }
    const QPoint point = Capturing() ? Confined(client) : client;
    if (m_placement.RightClick(InputAt(point))) {
        PublishInProgress();
    }
}

void CDeviceView::MouseMovedTo(QPoint client) {
    const QPoint point = Capturing() ? Confined(client) : client;
    m_cursor = point;
    FeedMagnifier(point);
    if (m_areaDragging) {
        // The adjustment follows the drag, so the user sees what it covers.
        const QSize frame = FrameSize();
        CLiveViewParams params = LiveViewParams();
        params.adjustRect = LiveAdjustRect(m_areaFrom, ViewportToContent(point), m_zoom,
                                           frame.width(), frame.height());
        params.adjustCode = m_doc.Modes().adjustmentCode;
        SetLiveViewParams(params);
        return;
    }
    viewport()->setCursor(m_doc.LiveKind() != 0 ? Qt::CrossCursor : Qt::ArrowCursor);
    if (m_doc.LiveKind() != 0 && m_placement.Move(InputAt(point))) {
        PublishInProgress();
    }
}

void CDeviceView::EndAreaSelection(QPoint client) {
    m_areaDragging = false;
    EndCapture();
    const QSize frame = FrameSize();
    CLiveViewParams params = LiveViewParams();
    params.adjustRect = LiveAdjustRect(m_areaFrom, ViewportToContent(client), m_zoom, frame.width(),
                                       frame.height());
    params.adjustCode = params.adjustRect.isValid() ? m_doc.Modes().adjustmentCode : 0;
    SetLiveViewParams(params);
}

void CDeviceView::StoreShape(std::unique_ptr<CShape> shape) {
    shape->RefreshGeometry();
    auto live = std::make_unique<CVideoShap>(
        LiveShapeOf(*shape, m_doc.LiveKind(), m_shapeCounter++, g_parameters.linewidth));
    // Only here, on the GUI thread: the streaming thread draws copies and
    // must not touch the calibration.
    if (RememberLiveLine(*live)) {
        g_calibration.lineCamera = CameraInUse();
    }
    g_liveShapes.shapes.push_back(std::move(live));
    PublishLiveShapes();
    SetInProgressShape(CInProgressShape{});
    m_shapeAdded = true;
    EndCapture();
    m_doc.CommandStateChanged();
}

void CDeviceView::PublishInProgress() {
    const CShape* preview = m_placement.Preview();
    if (preview == nullptr) {
        SetInProgressShape(CInProgressShape{});
        return;
    }
    const int kind = m_doc.LiveKind();
    SetInProgressShape(InProgressOf(*preview, kind, scrollPosition(), m_zoom,
                                    kind == LiveKind::kAutoLine, g_parameters.linewidth));
}

void CDeviceView::OnEscape() {
    AbandonShape();
}

void CDeviceView::AbandonShape() {
    m_placement.Reset();
    m_areaDragging = false;
    EndCapture();
    SetInProgressShape(CInProgressShape{});
}

void CDeviceView::AfterClick() {
    if (m_shapeAdded) {
        m_shapeAdded = false;
        PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, kLiveList, 0);
    }
}

QRect CDeviceView::ConfinementRect() const {
    // The displayed picture in client pixels, within the window.
    return QRect(-scrollPosition(), ZoomedSize()).intersected(viewport()->rect());
}

void CDeviceView::FeedMagnifier(QPoint client) const {
    std::uint8_t* buffer = MagnifierBuffer();
    if (buffer == nullptr) {
        return;
    }
    {
        // Only the square is copied, under the frame copy's lock: a move
        // must not cost a whole frame.
        const std::lock_guard lock(g_framePipeline.copyMutex);
        if (!g_framePipeline.copy) {
            return;
        }
        const int side = MagnifierSide(g_magnifier.zoomState);
        if (side > 0) {
            FillMagnifierFromFrame(*g_framePipeline.copy, FramePointOf(client), side,
                                   std::span<std::uint8_t>(buffer, kMagnifierBufferBytes));
        }
    }
    SendToReceiver(ReceiverRole::Magnifier, UM_MAGNIFIER_FILLED);
}
