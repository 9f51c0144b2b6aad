#include "app/CMainFrame.h"

#include "analysis/ui/CParticlePane.h"
#include "app/ApplicationLook.h"
#include "app/CFrameCustomizer.h"
#include "app/CStartPanel.h"
#include "app/Icons.h"
#include "app/ResourceStrings.h"
#include "browser/ui/CThumbnailsFormWnd.h"
#include "calibration/ui/CCalManageFormView.h"
#include "calibration/ui/CCalManageFormWnd.h"
#include "calibration/ui/CCalibrationChooser.h"
#include "core/Folders.h"
#include "core/Language.h"
#include "framework/ui/ChildFrame.h"
#include "framework/ui/Document.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/StatusBar.h"
#include "reports/ui/CMeasureResultFormView.h"
#include "reports/ui/CMeasureResultFormWnd.h"

#include <algorithm>

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QSettings>
#include <QSplashScreen>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QSettings OpenStore() {
    return QSettings(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
}

constexpr int kStatusPaneId1 = 105;
constexpr int kStatusPaneId2 = 106;

} // namespace

CMainFrame::CMainFrame(const CDocManager& docManager, QWidget* parent)
    : CMDIFrameWnd(docManager, parent)
    , m_look(StoredApplicationLook()) {
    ApplyApplicationLook(m_look);
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QStringLiteral("Marnelo"));
    setWindowIcon(LoadSvgIcon(QStringLiteral(":/icons/marnelo.svg")));
    resize(1280, 800);
    setAcceptDrops(true);
    m_openFolder = g_folders.snapshotFolder;
    createMenus();
    createToolBar();
    createStatusBar();
    createDockingPanes();
    createCalibrationBar();
    createStartPanel();
    m_customizer = new CFrameCustomizer(
        *this, *m_toolBar, {m_calibrationPane, m_resultsPane, m_browserPane, m_particlePane});
    connect(m_dockingMenu, &QMenu::aboutToShow, this,
            [this] { m_customizer->FillPaneMenu(*m_dockingMenu); });
    m_customizer->LoadUserImages(QDir::current().filePath(QStringLiteral("UserImages.bmp")));
    restoreWorkspace();
    createSplash();
    RelabelMenus();
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::createStatusBar() {
    CStatusBar& bar = paneBar();
    bar.setObjectName(QStringLiteral("StatusBar"));
    bar.AddPane(0, 200);
    bar.AddPane(kStatusPaneId1, 600);
    bar.AddPane(kStatusPaneId2, 400);
    bar.AddIndicator(CStatusBar::Indicator::CapsLock, QStringLiteral("CAP"));
    bar.AddIndicator(CStatusBar::Indicator::NumLock, QStringLiteral("NUM"));
    bar.AddIndicator(CStatusBar::Indicator::ScrollLock, QStringLiteral("SCRL"));
}

void CMainFrame::createDockingPanes() {
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks |
                   QMainWindow::AllowTabbedDocks);
    m_calibrationPane = new CCalManageFormWnd(LoadResourceString(IDS_CALIBRATION_PANE), this);
    m_calibrationPane->setWindowIcon(LoadSvgIcon(QStringLiteral(":/icons/pane-calibration.svg")));
    m_resultsPane = new CMeasureResultFormWnd(LoadResourceString(IDS_RESULTS_PANE), this);
    m_resultsPane->setWindowIcon(LoadSvgIcon(QStringLiteral(":/icons/pane-results.svg")));
    m_browserPane = new CThumbnailsFormWnd(LoadResourceString(IDS_BROWSER_PANE), this);
    m_browserPane->setWindowIcon(LoadSvgIcon(QStringLiteral(":/icons/pane-browser.svg")));
    m_particlePane = new CParticlePaneWnd(
        GetLanguageString("ParticlePane", QStringLiteral("Particles"), 64), this);
    m_particlePane->setWindowIcon(LoadSvgIcon(QStringLiteral(":/icons/pane-results.svg")));
    // The particles are among the measurements the results pane lists.
    connect(m_resultsPane->view(), &CMeasureResultFormView::relisted, m_particlePane->view(),
            &CParticlePane::Refresh);

    // Calibration and results share one docked place as two tabs.
    addDockWidget(Qt::LeftDockWidgetArea, m_calibrationPane);
    tabifyDockWidget(m_calibrationPane, m_resultsPane);
    tabifyDockWidget(m_resultsPane, m_particlePane);
    m_calibrationPane->raise();
    addDockWidget(Qt::RightDockWidgetArea, m_browserPane);
    resizeDocks({m_calibrationPane, m_browserPane}, {300, 240}, Qt::Horizontal);
    for (QDockWidget* pane : std::initializer_list<QDockWidget*>{m_calibrationPane, m_resultsPane,
                                                                 m_browserPane, m_particlePane}) {
        connect(pane, &QDockWidget::dockLocationChanged, this,
                [this] { QTimer::singleShot(0, this, &CMainFrame::updatePaneTabIcons); });
        connect(pane, &QDockWidget::topLevelChanged, this,
                [this] { QTimer::singleShot(0, this, &CMainFrame::updatePaneTabIcons); });
    }
    QTimer::singleShot(0, this, &CMainFrame::updatePaneTabIcons);
}

// The calibration switch has a bar of its own beside the tools, so the
// standard toolbar's customisable buttons stay as they are.
void CMainFrame::createCalibrationBar() {
    auto* bar = new QToolBar(
        GetLanguageString("CalibrationChooser", QStringLiteral("Calibration"), 64), this);
    bar->setObjectName(QStringLiteral("CalibrationToolBar"));
    bar->addWidget(new CCalibrationChooser(*m_calibrationPane->view(), bar));
    addToolBar(Qt::TopToolBarArea, bar);
}

// The empty window area says what to do instead of staying grey.
void CMainFrame::createStartPanel() {
    auto* layout = new QVBoxLayout(mdiArea()->viewport());
    layout->setContentsMargins(0, 0, 0, 0);
    m_startPanel = new CStartPanel(*this, mdiArea()->viewport());
    layout->addWidget(m_startPanel);
}

void CMainFrame::updateStartPanel() {
    m_startPanel->setVisible(mdiArea()->subWindowList().isEmpty());
}

// Panes docked together show as tabs; Qt gives those tabs no icons, so each
// gets the icon of the pane it stands for.
void CMainFrame::updatePaneTabIcons() {
    for (QTabBar* tabs : findChildren<QTabBar*>(QString(), Qt::FindDirectChildrenOnly)) {
        for (int index = 0; index < tabs->count(); ++index) {
            for (QDockWidget* pane : std::initializer_list<QDockWidget*>{
                     m_calibrationPane, m_resultsPane, m_browserPane, m_particlePane}) {
                if (tabs->tabText(index) == pane->windowTitle()) {
                    tabs->setTabIcon(index, pane->windowIcon());
                }
            }
        }
    }
}

void CMainFrame::createSplash() {
    if (qEnvironmentVariableIsSet("MARNELO_NO_SPLASH")) {
        return;
    }
    const QPixmap picture = RenderSvg(QStringLiteral(":/splash.svg"));
    if (picture.isNull()) {
        return;
    }
    auto* splash = new QSplashScreen(picture, Qt::WindowStaysOnTopHint);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    // Over the frame once that is shown; the frame keeps working meanwhile.
    QTimer::singleShot(0, splash, &QWidget::raise);
    QTimer::singleShot(4000, splash, &QWidget::close);
}

void CMainFrame::restoreWorkspace() {
    QSettings store = OpenStore();
    store.beginGroup(QStringLiteral("Workspace"));
    restoreGeometry(store.value(QStringLiteral("Geometry")).toByteArray());
    m_customizer->RestoreLayout(store);
    restoreState(store.value(QStringLiteral("State")).toByteArray());
    // A folder removed since is no place to start the picture dialog in.
    const QString openFolder = store.value(QStringLiteral("OpenFolder")).toString();
    if (!openFolder.isEmpty() && QFileInfo(openFolder).isDir()) {
        m_openFolder = openFolder;
    }
}

void CMainFrame::saveWorkspace() const {
    QSettings store = OpenStore();
    store.beginGroup(QStringLiteral("Workspace"));
    store.setValue(QStringLiteral("Geometry"), saveGeometry());
    store.setValue(QStringLiteral("State"), saveState());
    m_customizer->SaveLayout(store);
    store.setValue(QStringLiteral("OpenFolder"), m_openFolder);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    const QList<CChildFrame*> children = childFrames();
    const bool unsaved = std::any_of(children.begin(), children.end(), [](CChildFrame* child) {
        return child->document().HasUnsavedWork();
    });
    if (!unsaved && !ConfirmClose(this)) {
        event->ignore();
        return;
    }
    for (CChildFrame* child : children) {
        if (!child->document().SaveModified()) {
            event->ignore();
            return;
        }
    }
    saveWorkspace();
    event->accept();
}

void CMainFrame::contextMenuEvent(QContextMenuEvent* event) {
    // Only over a bar or a pane's title; elsewhere the request is ignored.
    QMainWindow::contextMenuEvent(event);
}

QMenu* CMainFrame::createPopupMenu() {
    auto* menu = new QMenu(this);
    m_customizer->FillPaneMenu(*menu);
    return menu;
}

void CMainFrame::OnActiveChildChanged(CChildFrame* child) {
    disconnect(m_titleConnection);
    m_activeChild = child;
    if (child) {
        m_titleConnection =
            connect(child, &QWidget::windowTitleChanged, this, &CMainFrame::updateTitle);
    }
    updateTitle();
    RelabelMenus();
    // A closing window is still listed while it goes.
    QTimer::singleShot(0, this, &CMainFrame::updateStartPanel);
}

// The active document's name goes before the program's name.
void CMainFrame::updateTitle() {
    const QString product = QStringLiteral("Marnelo");
    setWindowTitle(m_activeChild ? m_activeChild->windowTitle() + QStringLiteral(" - ") + product
                                 : product);
}
