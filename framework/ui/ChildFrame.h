#pragma once

#include "framework/CommandTarget.h"

#include <memory>

#include <QMdiSubWindow>

class CDocument;
class CView;

// The tabbed MDI child window of one document: owns the document and its view
// (the view goes first, so a view may use its document until its end). Asks
// before closing. GUI thread only.
class CChildFrame : public QMdiSubWindow, public CCommandTarget {
    Q_OBJECT
public:
    CChildFrame(std::unique_ptr<CDocument> document, std::unique_ptr<CView> view,
                QWidget* parent = nullptr);
    ~CChildFrame() override;

    CDocument& document() const { return *m_document; }
    CView& view() const { return *m_view; }

signals:
    // Sent while the document and view still exist.
    void aboutToBeDestroyed(CChildFrame* child);

protected:
    // A document with unsaved work offers to save it; any other asks the
    // close question ("CloseTip"). No or Cancel keeps the window and its
    // document.
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<CDocument> m_document;
    std::unique_ptr<CView> m_view;
};
