#include "framework/ui/Document.h"

#include "framework/ui/MDIFrameWnd.h"
#include "framework/ui/View.h"

#include <QFileInfo>

CDocument::CDocument() = default;

CDocument::~CDocument() = default;

bool CDocument::OnNewDocument() {
    return true;
}

bool CDocument::OnOpenDocument(const QString& path) {
    (void)path;
    return false;
}

void CDocument::SetTitle(const QString& title) {
    if (title == m_title) {
        return;
    }
    m_title = title;
    emit titleChanged(m_title);
}

void CDocument::SetPathName(const QString& path) {
    m_pathName = path;
    SetTitle(QFileInfo(path).fileName());
}

void CDocument::UpdateAllViews(CView* sender) {
    for (CView* view : m_views) {
        if (view != sender) {
            view->OnUpdate(sender);
        }
    }
}

CMDIFrameWnd* CDocument::mainFrame() const {
    return m_views.isEmpty() ? nullptr : CMDIFrameWnd::Of(m_views.front());
}

void CDocument::CommandStateChanged() {
    emit commandStateChangeRequested();
}

void CDocument::AddView(CView* view) {
    m_views.append(view);
}

void CDocument::RemoveView(CView* view) {
    m_views.removeAll(view);
}

bool CDocument::SaveModified() {
    return true;
}

bool CDocument::HasUnsavedWork() const {
    return false;
}
