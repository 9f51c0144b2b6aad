#include "framework/ui/MDIFrameWnd.h"

#include "framework/ui/ChildFrame.h"
#include "framework/ui/Document.h"
#include "framework/ui/StatusBar.h"
#include "framework/ui/View.h"

#include <QAction>
#include <QMdiArea>
#include <QPointer>
#include <QStatusTipEvent>
#include <QTimer>

namespace {
const char* const kCommandIdProperty = "marneloCommandId";
}

CMDIFrameWnd::CMDIFrameWnd(const CDocManager& docManager, QWidget* parent)
    : QMainWindow(parent)
    , m_docManager(docManager)
    , m_mdiArea(new QMdiArea(this))
    , m_paneBar(new CStatusBar(this)) {
    m_mdiArea->setObjectName(QStringLiteral("MdiArea"));
    m_mdiArea->setViewMode(QMdiArea::TabbedView);
    m_mdiArea->setTabsClosable(true);
    m_mdiArea->setTabsMovable(true);
    m_mdiArea->setDocumentMode(true);
    setCentralWidget(m_mdiArea);
    setStatusBar(m_paneBar);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &CMDIFrameWnd::OnSubWindowActivated);
}

CMDIFrameWnd::~CMDIFrameWnd() {
    // The child frames outlive this part of the frame: they must not call back.
    // A closed child awaiting its deferred delete is no longer listed by the
    // area but is still destroyed with it.
    m_mdiArea->disconnect(this);
    for (CChildFrame* child : m_mdiArea->findChildren<CChildFrame*>()) {
        child->disconnect(this);
        child->document().disconnect(this);
    }
}

CMDIFrameWnd* CMDIFrameWnd::Of(const QWidget* widget) {
    return widget ? qobject_cast<CMDIFrameWnd*>(widget->window()) : nullptr;
}

QAction* CMDIFrameWnd::CommandAction(int id) {
    auto found = m_actions.find(id);
    if (found != m_actions.end()) {
        return found->second;
    }
    auto* action = new QAction(this);
    action->setProperty(kCommandIdProperty, id);
    action->setEnabled(false);
    connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
    m_actions.emplace(id, action);
    RequestCommandUpdate();
    return action;
}

int CMDIFrameWnd::CommandId(const QAction* action) {
    return action ? action->property(kCommandIdProperty).toInt() : 0;
}

std::vector<CCommandTarget*> CMDIFrameWnd::CommandRoute() const {
    std::vector<CCommandTarget*> route;
    if (CChildFrame* child = activeChildFrame()) {
        route.push_back(&child->view());
        route.push_back(&child->document());
        route.push_back(child);
    }
    route.push_back(const_cast<CMDIFrameWnd*>(this));
    return route;
}

bool CMDIFrameWnd::RouteCommand(int id) {
    bool handled = false;
    // A handler may close the frame that carried the command (Exit, a child's
    // close): only touch this frame afterwards when it still exists.
    QPointer<CMDIFrameWnd> self(this);
    for (CCommandTarget* target : CommandRoute()) {
        if (target->OnCommand(id)) {
            handled = true;
            break;
        }
    }
    if (self) {
        UpdateCommandUI();
    }
    return handled;
}

CCmdUI CMDIFrameWnd::QueryCommandState(int id) const {
    for (CCommandTarget* target : CommandRoute()) {
        CCmdUI cmdUI(id);
        if (target->OnUpdateCommand(id, cmdUI)) {
            return cmdUI;
        }
    }
    CCmdUI unhandled(id);
    unhandled.Enable(false);
    return unhandled;
}

void CMDIFrameWnd::UpdateCommandUI() {
    m_updatePending = false;
    for (const auto& [id, action] : m_actions) {
        const CCmdUI state = QueryCommandState(id);
        action->setEnabled(state.enabled());
        action->setCheckable(state.checkable());
        action->setChecked(state.checked());
    }
}

void CMDIFrameWnd::RequestCommandUpdate() {
    if (m_updatePending) {
        return;
    }
    m_updatePending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_updatePending) {
            UpdateCommandUI();
        }
    });
}

CChildFrame* CMDIFrameWnd::activeChildFrame() const {
    // The current window stays current while another application has focus.
    return qobject_cast<CChildFrame*>(m_mdiArea->currentSubWindow());
}

CView* CMDIFrameWnd::activeView() const {
    CChildFrame* child = activeChildFrame();
    return child ? &child->view() : nullptr;
}

CDocument* CMDIFrameWnd::activeDocument() const {
    CChildFrame* child = activeChildFrame();
    return child ? &child->document() : nullptr;
}

QList<CChildFrame*> CMDIFrameWnd::childFrames() const {
    QList<CChildFrame*> frames;
    for (QMdiSubWindow* window : m_mdiArea->subWindowList()) {
        if (auto* child = qobject_cast<CChildFrame*>(window)) {
            frames.append(child);
        }
    }
    return frames;
}

CChildFrame* CMDIFrameWnd::OpenDocument(DocKind kind, const QString& path) {
    const CDocTemplate* docTemplate = m_docManager.docTemplate(kind);
    if (!docTemplate) {
        return nullptr;
    }
    std::unique_ptr<CDocument> document = docTemplate->CreateDocument();
    if (!document) {
        return nullptr;
    }
    if (path.isEmpty() ? !document->OnNewDocument() : !document->OnOpenDocument(path)) {
        return nullptr;
    }
    if (!path.isEmpty()) {
        document->SetPathName(path);
    }
    std::unique_ptr<CView> view = docTemplate->CreateView(*document);
    if (!view) {
        return nullptr;
    }
    connect(document.get(), &CDocument::commandStateChangeRequested, this,
            &CMDIFrameWnd::RequestCommandUpdate);
    auto* child = new CChildFrame(std::move(document), std::move(view));
    connect(child, &CChildFrame::aboutToBeDestroyed, this, &CMDIFrameWnd::OnChildDestroyed);
    child->setWindowIcon(docTemplate->icon());
    m_mdiArea->addSubWindow(child);
    child->show();
    child->view().OnInitialUpdate();
    m_mdiArea->setActiveSubWindow(child);
    return child;
}

void CMDIFrameWnd::ShowPrompt(const QString& text) {
    m_paneBar->SetPaneTextColor(kPromptPane, QColor(255, 0, 0));
    m_paneBar->SetPaneText(kPromptPane, text);
}

void CMDIFrameWnd::OnActiveChildChanged(CChildFrame* child) {
    (void)child;
}

bool CMDIFrameWnd::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        m_paneBar->SetPaneText(kMessagePane, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void CMDIFrameWnd::OnSubWindowActivated(QMdiSubWindow* window) {
    auto* child = qobject_cast<CChildFrame*>(window);
    // A null window while the previous child still exists is the focus leaving
    // the whole frame, not a change of the active document.
    if (child == m_lastActive || (!child && m_lastActive)) {
        return;
    }
    if (m_lastActive) {
        m_lastActive->view().OnActivateView(false);
    }
    m_lastActive = child;
    if (child) {
        child->view().OnActivateView(true);
    }
    OnActiveChildChanged(child);
    UpdateCommandUI();
}

void CMDIFrameWnd::OnChildDestroyed(CChildFrame* child) {
    if (child != m_lastActive) {
        return;
    }
    child->view().OnActivateView(false);
    CChildFrame* next = activeChildFrame();
    m_lastActive = next != child ? next : nullptr;
    if (m_lastActive) {
        m_lastActive->view().OnActivateView(true);
    }
    OnActiveChildChanged(m_lastActive);
    RequestCommandUpdate();
}
