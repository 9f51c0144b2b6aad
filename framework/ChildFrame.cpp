#include "framework/ChildFrame.h"

#include "app/Language.h"
#include "framework/Document.h"
#include "framework/MessageBox.h"
#include "framework/View.h"

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
    const auto answer = ShowMessageBox(
        this, GetLanguageString("CloseTip", QStringLiteral("Are you sure close?"), 128), QString(),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Question);
    if (answer != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}
