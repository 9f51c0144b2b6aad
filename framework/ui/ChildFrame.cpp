#include "framework/ui/ChildFrame.h"

#include "framework/ui/Document.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/View.h"

#include <QCloseEvent>

CChildFrame::CChildFrame(std::unique_ptr<CDocument> document, std::unique_ptr<CView> view,
                         QWidget* parent)
    : QMdiSubWindow(parent)
    , m_document(std::move(document))
    , m_view(std::move(view)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(m_view.get());
    setWindowTitle(m_document->title());
    connect(m_document.get(), &CDocument::titleChanged, this, &QWidget::setWindowTitle);
}

CChildFrame::~CChildFrame() {
    emit aboutToBeDestroyed(this);
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    const bool allowed =
        m_document->HasUnsavedWork() ? m_document->SaveModified() : ConfirmClose(this);
    if (!allowed) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}
