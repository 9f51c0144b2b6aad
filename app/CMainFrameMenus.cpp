#include "app/CMainFrame.h"
#include "app/CStartPanel.h"
#include "app/Icons.h"
#include "app/ResourceStrings.h"
#include "app/ToolbarTable.h"
#include "core/CommandIds.h"
#include "core/Language.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

void CMainFrame::createMenus() {
    QMenuBar* bar = menuBar();
    m_fileMenu = bar->addMenu(QString());
    m_openMenu = m_fileMenu->addMenu(QString());
    m_openMenu->addAction(CommandAction(ID_FILE_OPEN));
    m_openMenu->addAction(CommandAction(ID_OPEN_DEVICE));
    // A picture's window saves it with its measurements burned in.
    m_fileMenu->addAction(CommandAction(ID_FILE_SAVE));
    CommandAction(ID_FILE_SAVE)->setShortcut(QKeySequence::Save);
    m_fileMenu->addAction(CommandAction(ID_FILE_SAVE_AS));
    CommandAction(ID_FILE_SAVE_AS)->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    // The measurements kept beside the picture, editable when it is opened.
    m_fileMenu->addAction(CommandAction(ID_SAVE_MEASUREMENTS));
    CommandAction(ID_SAVE_MEASUREMENTS)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    m_fileMenu->addAction(CommandAction(ID_EXPORT_CSV));
    m_fileMenu->addAction(CommandAction(ID_SAVE_HEIGHT_MAP));
    m_fileMenu->addAction(CommandAction(ID_FOCUS_STACK));
    m_fileMenu->addAction(CommandAction(ID_STITCH));
    // Undo keeps its usual key while the toolbar is hidden, too.
    CommandAction(ID_UNDO)->setShortcut(QKeySequence::Undo);
    addAction(CommandAction(ID_UNDO));
    m_fileMenu->addAction(CommandAction(ID_VIDEO_SETTING));
    m_fileMenu->addAction(CommandAction(ID_SAVE_SETTING));
    m_fileMenu->addAction(CommandAction(ID_FAVORITES));
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(CommandAction(ID_APP_EXIT));

    m_deviceMenu = bar->addMenu(QString());
    m_deviceMenu->addAction(CommandAction(ID_OPEN_DEVICE));
    m_deviceMenu->addAction(CommandAction(ID_TIME_LAPSE));

    // Fitting is wanted often enough on large pictures to need a key.
    CommandAction(ID_ZOOM_FIT)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    addAction(CommandAction(ID_ZOOM_FIT));
    m_analyzeMenu = bar->addMenu(QString());
    m_analyzeMenu->addAction(CommandAction(ID_ANALYZE_PARTICLES));
    m_analyzeMenu->addAction(CommandAction(ID_LIVE_PARTICLES));
    CommandAction(ID_LIVE_PARTICLES)->setCheckable(true);
    m_analyzeMenu->addAction(CommandAction(ID_LIVE_MOSAIC));
    CommandAction(ID_LIVE_MOSAIC)->setCheckable(true);
    m_analyzeMenu->addAction(CommandAction(ID_LIVE_FOCUS_STACK));
    CommandAction(ID_LIVE_FOCUS_STACK)->setCheckable(true);
    m_viewMenu = bar->addMenu(QString());
    m_dockingMenu = m_viewMenu->addMenu(QString());
    m_viewMenu->addAction(CommandAction(ID_VIEW_STATUS_BAR));

    m_languageMenu = bar->addMenu(QString());
    m_languageMenu->addAction(CommandAction(ID_LANGUAGE_CHINESE_SP));
    m_languageMenu->addAction(CommandAction(ID_LANGUAGE_CHINESE_TR));
    m_languageMenu->addAction(CommandAction(ID_LANGUAGE_ENGLISH));

    m_aboutMenu = bar->addMenu(QString());
    m_aboutMenu->addAction(CommandAction(ID_APP_ABOUT));

    // Menus show the state of their items as it is when they open.
    for (QMenu* menu : {m_fileMenu, m_openMenu, m_deviceMenu, m_analyzeMenu, m_viewMenu,
                        m_languageMenu, m_aboutMenu}) {
        connect(menu, &QMenu::aboutToShow, this, &CMDIFrameWnd::UpdateCommandUI);
    }
}

void CMainFrame::createToolBar() {
    m_toolBar = new QToolBar(LoadResourceString(IDS_TOOLBAR_STANDARD), this);
    m_toolBar->setObjectName(QStringLiteral("StandardToolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setMovable(true);
    for (const ToolbarButton& button : ToolbarButtons()) {
        if (button.id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = CommandAction(button.id);
        action->setIcon(
            LoadSvgIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(button.icon))));
        m_toolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::RelabelMenus() {
    // Toolbar buttons first; the menus then give the shared items their
    // menu captions.
    for (const ToolbarButton& button : ToolbarButtons()) {
        if (button.id == 0) {
            continue;
        }
        QAction* action = CommandAction(button.id);
        const QString tooltip = ToolbarHelpText(button.id, ToolbarText::Tooltip);
        action->setText(tooltip);
        action->setToolTip(tooltip);
        action->setStatusTip(ToolbarHelpText(button.id, ToolbarText::StatusHelp));
    }

    m_fileMenu->setTitle(GetLanguageString("File", QStringLiteral("File"), 128));
    m_openMenu->setTitle(GetLanguageString("Open", QStringLiteral("Open..."), 128));
    CommandAction(ID_FILE_OPEN)
        ->setText(GetLanguageString("OpenPicture", QStringLiteral("Open Picture"), 128));
    CommandAction(ID_OPEN_DEVICE)
        ->setText(GetLanguageString("OpenDevice", QStringLiteral("Open Camera"), 128));
    CommandAction(ID_FILE_SAVE)
        ->setText(GetLanguageString("SavePicture", QStringLiteral("Save Picture"), 128));
    CommandAction(ID_FILE_SAVE_AS)
        ->setText(GetLanguageString("SavePictureAs", QStringLiteral("Save Picture As..."), 128));
    CommandAction(ID_SAVE_MEASUREMENTS)
        ->setText(GetLanguageString("SaveMeasurements", QStringLiteral("Save Measurements"), 128));
    CommandAction(ID_EXPORT_CSV)
        ->setText(GetLanguageString("ExportCsv", QStringLiteral("Export to CSV"), 128));
    CommandAction(ID_SAVE_HEIGHT_MAP)
        ->setText(GetLanguageString("SaveHeightMap", QStringLiteral("Save Height Map..."), 128));
    CommandAction(ID_FOCUS_STACK)
        ->setText(GetLanguageString("FocusStackMenu", QStringLiteral("Focus stack…"), 128));
    CommandAction(ID_STITCH)->setText(
        GetLanguageString("StitchMenu", QStringLiteral("Stitch…"), 128));
    CommandAction(ID_VIDEO_SETTING)
        ->setText(GetLanguageString("Setting", QStringLiteral("Video Setting"), 128));
    CommandAction(ID_SAVE_SETTING)
        ->setText(GetLanguageString("SettingSave", QStringLiteral("Save Setting"), 128));
    CommandAction(ID_FAVORITES)
        ->setText(GetLanguageString("Favorites", QStringLiteral("Favorites"), 128));
    CommandAction(ID_APP_EXIT)->setText(GetLanguageString("Exit", QStringLiteral("Exit"), 128));
    m_deviceMenu->setTitle(GetLanguageString("Device", QStringLiteral("Camera"), 128));
    CommandAction(ID_TIME_LAPSE)
        ->setText(GetLanguageString("TimeLapseMenu", QStringLiteral("Time-lapse..."), 128));
    m_analyzeMenu->setTitle(GetLanguageString("AnalyzeMenu", QStringLiteral("Analyze"), 128));
    CommandAction(ID_ANALYZE_PARTICLES)
        ->setText(
            GetLanguageString("AnalyzeParticlesMenu", QStringLiteral("Analyze Particles…"), 128));
    CommandAction(ID_LIVE_PARTICLES)
        ->setText(
            GetLanguageString("LiveParticlesMenu", QStringLiteral("Live Particle Count"), 128));
    CommandAction(ID_LIVE_MOSAIC)
        ->setText(GetLanguageString("LiveMosaicMenu", QStringLiteral("Mosaic"), 128));
    CommandAction(ID_LIVE_FOCUS_STACK)
        ->setText(GetLanguageString("LiveFocusStackMenu", QStringLiteral("Focus stack"), 128));
    m_viewMenu->setTitle(GetLanguageString("View", QStringLiteral("View"), 128));
    m_dockingMenu->setTitle(
        GetLanguageString("Docking", QStringLiteral("Toolbars and Docking Windows"), 128));
    CommandAction(ID_VIEW_STATUS_BAR)
        ->setText(GetLanguageString("Statusbar", QStringLiteral("Statusbar"), 128));
    m_languageMenu->setTitle(GetLanguageString("Language", QStringLiteral("Language"), 128));
    // Each language is named in itself, so that a user finds their own in a
    // foreign interface; its name in the current language is the tip.
    const struct {
        int id;
        const char16_t* ownName;
        QString localName;
    } languages[] = {
        {ID_LANGUAGE_CHINESE_SP, u"简体中文",
         GetLanguageString("ChineseSP", QStringLiteral("Simplified Chinese"), 128)},
        {ID_LANGUAGE_CHINESE_TR, u"繁體中文",
         GetLanguageString("ChineseTR", QStringLiteral("Traditional Chinese"), 128)},
        {ID_LANGUAGE_ENGLISH, u"English",
         GetLanguageString("English", QStringLiteral("English"), 128)},
    };
    for (const auto& language : languages) {
        QAction* action = CommandAction(language.id);
        action->setText(QString::fromUtf16(language.ownName));
        action->setToolTip(language.localName);
        action->setStatusTip(language.localName);
    }
    // The last popup has its own key while a picture window is active.
    m_aboutMenu->setTitle(m_activeChild
                              ? GetLanguageString("About", QStringLiteral("About"), 128)
                              : GetLanguageString("About1", QStringLiteral("About"), 128));
    CommandAction(ID_APP_ABOUT)->setText(GetLanguageString("About", QStringLiteral("About"), 128));
    if (m_startPanel != nullptr && m_startPanel->isVisible()) {
        m_startPanel->Refresh();
    }
}
