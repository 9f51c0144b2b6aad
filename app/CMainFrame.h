#pragma once

#include "framework/ui/MDIFrameWnd.h"

class CCalManageFormWnd;
class CStartPanel;
class CFrameCustomizer;
class CMeasureResultFormWnd;
class CParticlePaneWnd;
class CThumbnailsFormWnd;
class QToolBar;

// The main window: menus relabelled from the language file, the 42-button
// toolbar, the six-pane status bar, the calibration, results and picture
// browser panes and the tabbed picture windows; it carries out the frame
// commands (open picture or camera, favorites, language, looks, exit) and
// opens pictures handed in from outside (command line, drops). The window
// layout and the folder Open Picture last opened from are kept between runs
// in the settings group "Workspace".
// GUI thread only.
class CMainFrame : public CMDIFrameWnd {
    Q_OBJECT
public:
    explicit CMainFrame(const CDocManager& docManager, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Writes the current language's captions into the menus and the
    // toolbar's tooltips and status help.
    void RelabelMenus();

    QToolBar* toolBar() const { return m_toolBar; }
    CCalManageFormWnd* calibrationPane() const { return m_calibrationPane; }
    CMeasureResultFormWnd* resultsPane() const { return m_resultsPane; }
    CThumbnailsFormWnd* browserPane() const { return m_browserPane; }
    CParticlePaneWnd* particlePane() const { return m_particlePane; }
    // The user's toolbars, the pane menu and the windows dialog.
    CFrameCustomizer* customizer() const { return m_customizer; }
    int applicationLook() const { return m_look; }

    // Opens each file as a picture window, as Open Picture opens a chosen
    // file; one that cannot be read shows the decoder's reason and the others
    // still open.
    void OpenPictures(const QStringList& paths);

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CCmdUI& cmdUI) override;

protected:
    // Offers to save each changed picture, or, when nothing is to be saved,
    // asks "CloseTip"; Yes and no Cancel keep the layout for the next run and
    // close.
    void closeEvent(QCloseEvent* event) override;
    // The frame offers no context menu of its own; its bars and panes offer
    // the pane menu (createPopupMenu).
    void contextMenuEvent(QContextMenuEvent* event) override;
    QMenu* createPopupMenu() override;
    // Picture files dropped on the window open as with OpenPictures.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void OnActiveChildChanged(CChildFrame* child) override;

private:
    void createMenus();
    void createToolBar();
    void createCalibrationBar();
    void createStartPanel();
    // The start panel shows while no window is open.
    void updateStartPanel();
    void createStatusBar();
    void createDockingPanes();
    void createSplash();
    void updatePaneTabIcons();
    void updateTitle();
    void restoreWorkspace();
    void saveWorkspace() const;

    void OnOpenPicture();
    void OnOpenCamera();
    void OnFavorites();
    void OnSaveSetting();
    void OnLanguage(int primaryId, int secondaryId);
    void OnApplicationLook(int lookId);

    QMenu* m_fileMenu = nullptr;
    QMenu* m_openMenu = nullptr;
    QMenu* m_deviceMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_dockingMenu = nullptr;
    QMenu* m_languageMenu = nullptr;
    QMenu* m_aboutMenu = nullptr;
    QToolBar* m_toolBar = nullptr;
    CCalManageFormWnd* m_calibrationPane = nullptr;
    CStartPanel* m_startPanel = nullptr;
    CMeasureResultFormWnd* m_resultsPane = nullptr;
    CThumbnailsFormWnd* m_browserPane = nullptr;
    CParticlePaneWnd* m_particlePane = nullptr;
    QMenu* m_analyzeMenu = nullptr;
    CFrameCustomizer* m_customizer = nullptr;
    int m_look;
    QString m_openFolder;                 // where the picture dialog starts
    CChildFrame* m_activeChild = nullptr; // as last reported by the frame
    QMetaObject::Connection m_titleConnection;
};
