#pragma once

#include "core/ToolbarLayout.h"
#include "framework/CommandTarget.h"

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPointer>

class CMDIFrameWnd;
class QAction;
class QDockWidget;
class QMenu;
class QSettings;
class QToolBar;
class QWidget;

// What the user made of the main frame: the buttons of the standard toolbar,
// up to ten user toolbars, the pane context menu with "Customize..." and
// "Windows...", the document menu of the tab area, quick customisation by Alt-dragging toolbar
// buttons, and the user's own button images. The layout itself lives in CToolbarLayout; this class
// builds the toolbars from it. GUI thread only.
class CFrameCustomizer : public QObject, public CCommandTarget {
    Q_OBJECT
public:
    // `standard`: the frame's built toolbar, whose buttons become the default
    // layout; `panes`: the docking panes the user may show and hide.
    CFrameCustomizer(CMDIFrameWnd& frame, QToolBar& standard, QList<QDockWidget*> panes);
    ~CFrameCustomizer() override;

    const CToolbarLayout& layout() const { return m_layout; }
    // Makes and removes user toolbars and refills every bar to match.
    void SetLayout(const CToolbarLayout& layout);
    // The standard toolbar (slot 0) or a user toolbar; nullptr for no bar.
    QToolBar* toolBar(int slot) const;
    // Standard first, then the user toolbars by slot.
    QList<QToolBar*> toolBars() const;
    QList<QDockWidget*> panes() const { return m_panes; }

    // The commands a user toolbar can hold, in the order offered.
    static std::vector<int> CustomizableCommands();

    // Reads `path` as the strip of user images; a missing file is no error,
    // an unusable one is ignored with one line on stderr.
    void LoadUserImages(const QString& path);
    const QList<QPixmap>& userImages() const { return m_userImages; }

    // The layout kept with the window layout; restore before the frame
    // restores its state, so that the user toolbars exist to be placed.
    void RestoreLayout(QSettings& store);
    void SaveLayout(QSettings& store) const;

    // The show/hide entries of every toolbar and pane, then "Customize..."
    // and "Windows...". `menu` is emptied first.
    void FillPaneMenu(QMenu& menu);

    // Customize... (126) and Windows... (131).
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CCmdUI& cmdUI) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Place {
        QToolBar* bar;
        QAction* action;
        int slot;
        int index;
    };

    void rebuild();
    QToolBar* makeUserToolBar(int slot, const QString& name);
    QAction* actionFor(const ToolbarLayoutButton& button, QObject* owner);
    const Place* placeOf(const QObject* widget) const;
    void endDrag();
    void dropAt(const Place& source, const QPoint& globalPos);
    void runCustomizeDialog();
    void runWindowsDialog();

    CMDIFrameWnd& m_frame;
    QToolBar& m_standard;
    QList<QDockWidget*> m_panes;
    CToolbarLayout m_layout;
    std::map<int, QPointer<QToolBar>> m_userBars;
    std::unique_ptr<QObject> m_built; // owns this build's separators and image buttons
    std::vector<Place> m_places;
    std::optional<Place> m_drag;
    QList<QPixmap> m_userImages;
};
