#include "tools/ui/CMeasuringView.h"

#include "shapes/Shape.h"
#include "tools/ui/CAddTextDlg.h"

#include <algorithm>

#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>

void CMeasuringView::mousePressEvent(QMouseEvent* event) {
    const QPoint client = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        LeftButtonDown(client);
    } else if (event->button() == Qt::RightButton) {
        RightButtonDown(client);
    }
    AfterClick();
    event->accept();
}

void CMeasuringView::mouseMoveEvent(QMouseEvent* event) {
    MouseMovedTo(event->position().toPoint());
    event->accept();
}

void CMeasuringView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        LeftButtonUp(event->position().toPoint());
    }
    AfterClick();
    event->accept();
}

void CMeasuringView::contextMenuEvent(QContextMenuEvent* event) {
    // The right button belongs to the tools.
    event->accept();
}

void CMeasuringView::keyPressEvent(QKeyEvent* event) {
    QPoint step;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        LeftButtonDown(m_cursor);
        LeftButtonUp(m_cursor);
        AfterClick();
        return;
    case Qt::Key_Escape:
        OnEscape();
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

void CMeasuringView::StartCapture() {
    if (!m_capturing && viewport()->isVisible()) {
        viewport()->grabMouse();
        m_capturing = true;
    }
}

void CMeasuringView::EndCapture() {
    if (m_capturing) {
        viewport()->releaseMouse();
        m_capturing = false;
    }
}

QPoint CMeasuringView::Confined(QPoint client) const {
    const QRect inside = ConfinementRect();
    if (inside.isEmpty()) {
        return client;
    }
    const QPoint kept(std::clamp(client.x(), inside.left(), inside.right()),
                      std::clamp(client.y(), inside.top(), inside.bottom()));
    if (kept != client) {
        QCursor::setPos(viewport()->mapToGlobal(kept));
    }
    return kept;
}

CPressOutcome CMeasuringView::PressPlacement(CPlacement& placement, QPoint client) {
    const CPressOutcome outcome = placement.Press(InputAt(client));
    if (outcome == CPressOutcome::Placed) {
        StartCapture();
        OnPreviewChanged();
    } else if (outcome == CPressOutcome::TextRequested) {
        EndCapture();
        CAddTextDlg dialog(this);
        if (dialog.exec() != QDialog::Accepted) {
            placement.CancelText();
        } else if (std::unique_ptr<CShape> shape = placement.PlaceText(dialog.text())) {
            StoreShape(std::move(shape));
        }
    }
    return outcome;
}

void CMeasuringView::ReleasePlacement(CPlacement& placement, QPoint client) {
    if (std::unique_ptr<CShape> shape = placement.Release(InputAt(client))) {
        StoreShape(std::move(shape));
    }
    if (!placement.IsPlacing()) {
        EndCapture();
    }
}
