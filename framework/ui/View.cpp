#include "framework/ui/View.h"

#include "framework/ui/Document.h"
#include "framework/ui/MDIFrameWnd.h"

#include <QPainter>
#include <QScrollBar>

CView::CView(CDocument& document, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_document(document) {
    m_document.AddView(this);
}

CView::~CView() {
    m_document.RemoveView(this);
}

CMDIFrameWnd* CView::mainFrame() const {
    return CMDIFrameWnd::Of(this);
}

void CView::OnInitialUpdate() {
    viewport()->update();
}

void CView::OnUpdate(CView* sender) {
    (void)sender;
    viewport()->update();
}

void CView::OnActivateView(bool active) {
    (void)active;
}

void CView::SetScrollSizes(QSize contentSize) {
    m_contentSize = contentSize;
    UpdateScrollBars();
    viewport()->update();
}

QPoint CView::scrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CView::ScrollToPosition(QPoint position) {
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
}

void CView::OnDraw(QPainter& painter) {
    (void)painter;
}

void CView::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(viewport());
    painter.translate(-scrollPosition());
    OnDraw(painter);
}

void CView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CView::scrollContentsBy(int dx, int dy) {
    (void)dx;
    (void)dy;
    viewport()->update();
}

void CView::UpdateScrollBars() {
    const QSize page = viewport()->size();
    horizontalScrollBar()->setPageStep(page.width());
    verticalScrollBar()->setPageStep(page.height());
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setSingleStep(16);
    horizontalScrollBar()->setRange(0, std::max(0, m_contentSize.width() - page.width()));
    verticalScrollBar()->setRange(0, std::max(0, m_contentSize.height() - page.height()));
}
