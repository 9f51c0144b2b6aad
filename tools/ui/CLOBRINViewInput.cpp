#include "core/MagnifierBuffer.h"
#include "document/NewPicture.h"
#include "document/ui/CLOBRINDoc.h"
#include "framework/ui/MDIFrameWnd.h"
#include "framework/ui/RectTrackerPaint.h"
#include "framework/ui/StatusBar.h"
#include "shapes/ShapeList.h"
#include "tools/ToolModes.h"
#include "tools/ui/CLOBRINView.h"
#include "tools/ui/MagnifierFeed.h"

#include <algorithm>

#include <QCursor>

// The view's mouse and keyboard: clicks through the placement, the area
// selection, the capture of a placement and the magnifier feed.

namespace {

bool AreaModeArmed(const CStillImageDocument& model) {
    return OperationForAreaMode(model.Modes().areaMode).has_value();
}

} // namespace

void CLOBRINView::OnEscape() {
    if (m_placement.IsPlacing()) {
        ResetPlacement();
    }
}

void CLOBRINView::LeftButtonDown(QPoint client) {
    m_cursor = client;
    CStillImageDocument& model = m_doc.Model();
    if (!model.HasPicture()) {
        return;
    }
    if (AreaModeArmed(model)) {
        BeginAreaSelection(ViewportToContent(client));
        return;
    }
    if (!IsPlacementMode(model.Modes().measureMode)) {
        // Without a tool a click picks a particle.
        PickParticleAt(client);
        return;
    }
    if (PressPlacement(m_placement, client) == CPressOutcome::CrosshairMoved) {
        StartCapture();
        viewport()->update();
    }
}

void CLOBRINView::LeftButtonUp(QPoint client) {
    m_cursor = client;
    if (m_tracker.tracking()) {
        EndAreaSelection();
        return;
    }
    if (IsPlacementMode(m_doc.Model().Modes().measureMode)) {
        ReleasePlacement(m_placement, client);
    } else if (!m_placement.IsPlacing()) {
        EndCapture();
    }
}

void CLOBRINView::RightButtonDown(QPoint client) {
    m_cursor = client;
    if (AreaModeArmed(m_doc.Model())) {
        CancelAreaMode();
        return;
    }
    if (m_placement.RightClick(InputAt(client))) {
        UpdatePreview();
    }
}

void CLOBRINView::MouseMovedTo(QPoint client) {
    const QPoint point = Capturing() ? Confined(client) : client;
    m_cursor = point;
    CStillImageDocument& model = m_doc.Model();
    if (!model.HasPicture()) {
        return;
    }
    FeedMagnifier(point);
    if (const CHeightMap* heights = m_doc.HeightMap()) {
        if (CMDIFrameWnd* frame = CMDIFrameWnd::Of(this)) {
            const QPoint pixel = ImagePointOf(point);
            frame->paneBar().SetPaneText(kMessagePane,
                                         HeightStatusText(*heights, pixel.x(), pixel.y()));
        }
    }
    const QPoint content = ViewportToContent(point);
    if (m_tracker.tracking()) {
        const QRect before = m_tracker.rect();
        m_tracker.TrackTo(content);
        const int margin = m_tracker.handleSize() + 1;
        viewport()->update(before.united(m_tracker.rect())
                               .adjusted(-margin, -margin, margin, margin)
                               .translated(-scrollPosition()));
        return;
    }
    if (AreaModeArmed(model)) {
        viewport()->setCursor(RectTrackerCursor(m_tracker.HitTest(content)));
    } else {
        viewport()->setCursor(model.Modes().measureMode != 0 ? Qt::CrossCursor : Qt::ArrowCursor);
    }
    if (m_placement.Move(InputAt(point))) {
        UpdatePreview();
    }
}

void CLOBRINView::StoreShape(std::unique_ptr<CShape> shape) {
    // The results (and, for a distance line, the length a manual calibration
    // reads) are there before anything is painted.
    shape->ComputeResults();
    m_doc.Model().AddShape(std::move(shape));
    UpdatePreview();
    OnShapesChanged();
    ListShapesInResults();
    m_doc.ShapesChangedBy(this);
}

void CLOBRINView::ResetPlacement() {
    m_placement.Reset();
    EndCapture();
    UpdatePreview();
    ListShapesInResults();
}

void CLOBRINView::ListShapesInResults() {
    RefillResultsList(m_doc.Model().Shapes());
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 0, 0);
}

void CLOBRINView::BeginAreaSelection(QPoint content) {
    const CRectTracker::Hit hit = m_tracker.HitTest(content);
    m_tracker.SetBounds(QRect(QPoint(0, 0), ZoomedSize()));
    m_tracker.BeginTrack(content, hit);
    viewport()->update();
}

void CLOBRINView::EndAreaSelection() {
    const bool chosen = m_tracker.EndTrack();
    viewport()->update();
    if (!chosen) {
        // A click without a drag chooses nothing.
        m_tracker.SetRect(QRect());
        return;
    }
    const QRect r = m_tracker.rect();
    const PictureRect rect = PictureRectFromView(r.left(), r.top(), r.left() + r.width(),
                                                 r.top() + r.height(), 0, 0, Zoom());
    if (m_doc.Model().StartAreaAdjustment(rect)) {
        m_doc.CommandStateChanged();
    }
}

void CLOBRINView::CancelAreaMode() {
    if (!m_doc.Model().CancelAreaMode()) {
        return;
    }
    m_tracker.SetRect(QRect());
    OnAdjustmentFinished();
    m_doc.CommandStateChanged();
}

void CLOBRINView::FeedMagnifier(QPoint client) const {
    std::uint8_t* buffer = MagnifierBuffer();
    if (buffer == nullptr) {
        return;
    }
    const int side = MagnifierSide(g_magnifier.zoomState);
    if (side > 0) {
        const auto access = m_doc.Model().Picture().Read();
        FillMagnifierSquare(access.image(), ImagePointOf(client), side,
                            std::span<std::uint8_t>(buffer, kMagnifierBufferBytes));
    }
    SendToReceiver(ReceiverRole::Magnifier, UM_MAGNIFIER_FILLED);
}
