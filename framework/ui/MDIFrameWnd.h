#pragma once

#include "framework/CommandTarget.h"
#include "framework/ui/DocTemplate.h"

#include <map>
#include <vector>

#include <QMainWindow>

class CChildFrame;
class CDocument;
class CStatusBar;
class CView;
class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

// The main window of a multiple-document application: a tabbed MDI area of
// child frames, one QAction per command id shared by menus and toolbars, the
// command routing and the pane status bar. GUI thread only.
class CMDIFrameWnd : public QMainWindow, public CCommandTarget {
    Q_OBJECT
public:
    explicit CMDIFrameWnd(const CDocManager& docManager, QWidget* parent = nullptr);
    ~CMDIFrameWnd() override;

    // The frame a widget lives in, or nullptr.
    static CMDIFrameWnd* Of(const QWidget* widget);

    QMdiArea* mdiArea() const { return m_mdiArea; }
    CStatusBar& paneBar() const { return *m_paneBar; }
    const CDocManager& docManager() const { return m_docManager; }

    // The action of a command id, created on first use (disabled until the
    // next update). Triggering it routes the command; its enabled and checked
    // state follow UpdateCommandUI.
    QAction* CommandAction(int id);
    // The command id of one of our actions, 0 for other actions.
    static int CommandId(const QAction* action);

    // The targets a command passes through: active view, its document, the
    // active child frame, this frame.
    std::vector<CCommandTarget*> CommandRoute() const;
    // Carries a command out through the route; false when nobody handled it.
    bool RouteCommand(int id);
    // The state a command would show now (disabled when nobody handles it).
    CCmdUI QueryCommandState(int id) const;
    // Brings every action up to date at once.
    void UpdateCommandUI();
    // Brings the actions up to date once control returns to the event loop.
    void RequestCommandUpdate();

    CChildFrame* activeChildFrame() const;
    CView* activeView() const;
    CDocument* activeDocument() const;
    QList<CChildFrame*> childFrames() const;

    // Opens a new document (`path` empty) or the file at `path` through the
    // kind's template into a new active child frame. nullptr when there is no
    // template or the document or view refused.
    CChildFrame* OpenDocument(DocKind kind, const QString& path = QString());

    // Shows a measuring prompt, zoom or hint in the prompt pane, in red.
    void ShowPrompt(const QString& text);

protected:
    // The active child frame changed (nullptr: none left).
    virtual void OnActiveChildChanged(CChildFrame* child);
    // The status help of menu items and toolbar buttons goes to pane 0 and
    // leaves the other panes visible.
    bool event(QEvent* event) override;

private:
    void OnSubWindowActivated(QMdiSubWindow* window);
    void OnChildDestroyed(CChildFrame* child);

    const CDocManager& m_docManager;
    QMdiArea* m_mdiArea;
    CStatusBar* m_paneBar;
    std::map<int, QAction*> m_actions;
    CChildFrame* m_lastActive = nullptr;
    bool m_updatePending = false;
};
