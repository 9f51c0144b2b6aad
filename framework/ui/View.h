#pragma once

#include "framework/CommandTarget.h"

#include <QAbstractScrollArea>
#include <QPoint>
#include <QSize>

class CDocument;
class CMDIFrameWnd;
class QPainter;

// A scrolling view of one document, the widget of a child frame. Subclasses
// draw in OnDraw, in content coordinates (the painter is already shifted by
// the scroll position), and handle the mouse on viewport(). GUI thread only.
class CView : public QAbstractScrollArea, public CCommandTarget {
    Q_OBJECT
public:
    // The view registers with `document`, which must outlive it.
    explicit CView(CDocument& document, QWidget* parent = nullptr);
    ~CView() override;

    CDocument& document() const { return m_document; }
    CMDIFrameWnd* mainFrame() const;

    // Called once when the view is shown in its frame for the first time.
    virtual void OnInitialUpdate();
    // The document changed: repaints by default.
    virtual void OnUpdate(CView* sender);
    // The view's frame became (true) or stopped being (false) the active one.
    virtual void OnActivateView(bool active);

    // The size of the content in pixels; the scroll bars follow it.
    void SetScrollSizes(QSize contentSize);
    QSize contentSize() const { return m_contentSize; }
    // Top-left content point shown at the viewport's origin.
    QPoint scrollPosition() const;
    void ScrollToPosition(QPoint position);
    // Viewport point -> content point.
    QPoint ViewportToContent(QPoint point) const { return point + scrollPosition(); }

protected:
    virtual void OnDraw(QPainter& painter);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateScrollBars();

    CDocument& m_document;
    QSize m_contentSize;
};
