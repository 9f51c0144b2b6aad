#include "core/MagnifierBuffer.h"
#include "framework/ui/RectTrackerPaint.h"
#include "document/ui/CLOBRINDoc.h"
#include "shapes/ShapeList.h"
#include "tools/ui/CAddTextDlg.h"
#include "tools/ui/CLOBRINView.h"
#include "tools/ui/MagnifierFeed.h"
#include "tools/ToolModes.h"

#include <algorithm>

#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>

// The view's mouse and keyboard: clicks through the placement, the area
// selection, the capture of a placement and the magnifier feed.

namespace {

bool AreaModeArmed(const CStillImageDocument& model) {
    return OperationForAreaMode(model.Modes().areaMode).has_value();
}

} // namespace

void CLOBRINView::mousePressEvent(QMouseEvent* event) {
    const QPoint client = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        LeftButtonDown(client);
    } else if (event->button() == Qt::RightButton) {
        RightButtonDown(client);
    }
    event->accept();
}

void CLOBRINView::mouseMoveEvent(QMouseEvent* event) {
    MouseMovedTo(event->position().toPoint());
    event->accept();
}

void CLOBRINView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        LeftButtonUp(event->position().toPoint());
    }
    event->accept();
}

void CLOBRINView::contextMenuEvent(QContextMenuEvent* event) {
    // The right button belongs to the tools.
    event->accept();
}

void CLOBRINView::keyPressEvent(QKeyEvent* event) {
    QPoint step;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        LeftButtonDown(m_cursor);
        LeftButtonUp(m_cursor);
        return;
    case Qt::Key_Escape:
        if (m_placement.IsPlacing()) {
            ResetPlacement();
        }
        return;
    case Qt::Key_Left:
        step = {-1, 0};
        break;
    case Qt::Key_Right:
        step = {1, 0};
        break;
    case Qt::Key_Up:
        step = {0, -1};
        break;
    case Qt::Key_Down:
        step = {0, 1};
        break;
    default:
        CView::keyPressEvent(event);
        return;
    }
    const QRect client = viewport()->rect();
    const QPoint moved(std::clamp(m_cursor.x() + step.x(), client.left(), client.right()),
                       std::clamp(m_cursor.y() + step.y(), client.top(), client.bottom()));
    // Where the platform moves the cursor, a move event follows; the view
    // does not wait for it.
    QCursor::setPos(viewport()->mapToGlobal(moved));
    MouseMovedTo(moved);
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
        return;
    }
    switch (m_placement.Press(InputAt(client))) {
    case CPressOutcome::Placed:
        StartCapture();
        UpdatePreview();
        break;
    case CPressOutcome::TextRequested:
        EndCapture();
        AskForText();
        break;
    case CPressOutcome::CrosshairMoved:
        StartCapture();
        viewport()->update();
        break;
    case CPressOutcome::Ignored:
        break;
    }
}

void CLOBRINView::LeftButtonUp(QPoint client) {
    m_cursor = client;
    if (m_tracker.tracking()) {
        EndAreaSelection();
        return;
    }
    if (IsPlacementMode(m_doc.Model().Modes().measureMode)) {
        if (std::unique_ptr<CShape> shape = m_placement.Release(InputAt(client))) {
            StoreShape(std::move(shape));
        }
    }
    if (!m_placement.IsPlacing()) {
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
    const QPoint point = m_capturing ? Confined(client) : client;
    m_cursor = point;
    CStillImageDocument& model = m_doc.Model();
    if (!model.HasPicture()) {
        return;
    }
    FeedMagnifier(point);
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

void CLOBRINView::AskForText() {
    CAddTextDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        m_placement.CancelText();
        return;
    }
    if (std::unique_ptr<CShape> shape = m_placement.PlaceText(dialog.text())) {
        StoreShape(std::move(shape));
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

void CLOBRINView::StartCapture() {
    if (!m_capturing && viewport()->isVisible()) {
        viewport()->grabMouse();
        m_capturing = true;
    }
}

void CLOBRINView::EndCapture() {
    if (m_capturing) {
        viewport()->releaseMouse();
        m_capturing = false;
    }
}

QPoint CLOBRINView::Confined(QPoint client) {
    const QRect inside = viewport()->rect();
    const QPoint kept(std::clamp(client.x(), inside.left(), inside.right()),
                      std::clamp(client.y(), inside.top(), inside.bottom()));
    if (kept != client) {
        QCursor::setPos(viewport()->mapToGlobal(kept));
    }
    return kept;
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
