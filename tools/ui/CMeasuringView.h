#pragma once

#include "framework/ui/View.h"
#include "tools/Placement.h"

#include <memory>

#include <QPoint>
#include <QRect>

class CShape;

// What the still and the live view share of their mouse and keyboard: the
// events become the four input hooks (left button down and up, right button
// down, moves), Enter clicks where the cursor is, the arrow keys move the
// cursor one pixel within the view, Escape goes to OnEscape, and the right
// button never opens a menu. While a shape is placed the mouse is grabbed
// and the cursor kept inside ConfinementRect(). A text note asks for its
// text here. Client points are viewport pixels. GUI thread only.
class CMeasuringView : public CView {
    Q_OBJECT
public:
    using CView::CView;

protected:
    virtual void LeftButtonDown(QPoint client) = 0;
    virtual void LeftButtonUp(QPoint client) = 0;
    virtual void RightButtonDown(QPoint client) = 0;
    virtual void MouseMovedTo(QPoint client) = 0;
    virtual void OnEscape() = 0;
    // What the placement gets for a client point: the tool, the content
    // point and the zoom.
    virtual CPlacementInput InputAt(QPoint client) const = 0;
    // The shape being placed changed: show its preview.
    virtual void OnPreviewChanged() = 0;
    // Keeps a shape the placement completed.
    virtual void StoreShape(std::unique_ptr<CShape> shape) = 0;
    // After every press and release, Enter's click included.
    virtual void AfterClick() {}
    // Where the cursor is kept while the mouse is grabbed, in client pixels;
    // an empty rectangle keeps it nowhere.
    virtual QRect ConfinementRect() const { return viewport()->rect(); }

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    void StartCapture();
    void EndCapture();
    bool Capturing() const { return m_capturing; }
    // The client point kept inside ConfinementRect(), the cursor moved there.
    QPoint Confined(QPoint client) const;
    // A press on the placement: a placed point grabs the mouse and shows the
    // preview, a text note asks for its text (and is stored).
    CPressOutcome PressPlacement(CPlacement& placement, QPoint client);
    // A release: a completed shape is stored, and the mouse let go once
    // nothing is being placed.
    void ReleasePlacement(CPlacement& placement, QPoint client);

    QPoint m_cursor; // last known mouse position, client pixels

private:
    bool m_capturing = false;
};
