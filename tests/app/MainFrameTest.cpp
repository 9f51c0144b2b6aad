#include "analysis/ui/CParticlePane.h"
#include "app/ApplicationLook.h"
#include "app/CMainFrame.h"
#include "browser/ui/CThumbnailsFormView.h"
#include "browser/ui/CThumbnailsFormWnd.h"
#include "calibration/ui/CCalManageFormView.h"
#include "calibration/ui/CCalManageFormWnd.h"
#include "capture/CaptureSession.h"
#include "capture/ui/CSelectDeviceDlg.h"
#include "core/CommandIds.h"
#include "core/Folders.h"
#include "core/Language.h"
#include "core/Parameters.h"
#include "core/PendingPicture.h"
#include "framework/ui/ChildFrame.h"
#include "framework/ui/DesktopOpener.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/StatusBar.h"
#include "reports/ui/CMeasureResultFormView.h"
#include "reports/ui/CMeasureResultFormWnd.h"
#include "tests/framework/TestDocuments.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QSplashScreen>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

// The toolbar's command ids in order; 0 stands for a separator.
const std::vector<int> kToolbarOrder = {
    32781, 0,     32799, 32800, 32775, 0,     32771, 32773, 32772, 32892, 0,     32831, 32778,
    0,     32776, 32777, 32802, 32803, 32804, 32865, 32805, 32801, 32806, 32807, 32808, 32809,
    32810, 32811, 32812, 32813, 32819, 32814, 32815, 0,     32816, 32817, 32818, 0,     32820,
    32838, 32839, 32837, 32821, 32780, 32822, 32823, 32824, 0,     32833, 32834};

std::vector<int> ToolbarIds(QToolBar* toolBar) {
    std::vector<int> ids;
    for (QAction* action : toolBar->actions()) {
        ids.push_back(action->isSeparator() ? 0 : CMDIFrameWnd::CommandId(action));
    }
    return ids;
}

QStringList MenuTitles(QMenuBar* bar) {
    QStringList titles;
    for (QAction* action : bar->actions()) {
        titles.append(action->text());
    }
    return titles;
}

QMenu* SubMenu(QMenu* menu, int position) {
    return menu->actions().value(position)->menu();
}

void ProcessDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

class MainFrameTest : public ::testing::Test {
protected:
    MainFrameTest() {
        g_folders.snapshotFolder = home.filePath("SaveFile");
        docs.AddDocTemplate(DocKind::StillImage,
                            MakeTestTemplate({{ID_ZOOM_IN, ID_MEASURE_LINE}, {}, {}, false}));
        docs.AddDocTemplate(
            DocKind::LiveCamera,
            MakeTestTemplate(
                {{ID_TAKE_PICTURE}, {ID_VIDEO_SETTING}, QStringLiteral("Marnelo"), false}));
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            boxes.push_back(request);
            return answer;
        });
        SetFileDialogResponder([this](const FileDialogRequest& request) {
            dialogs.push_back(request);
            return dialogAnswer;
        });
    }
    ~MainFrameTest() override {
        frame.reset();
        SetMessageBoxResponder({});
        SetFileDialogResponder({});
        SetDesktopOpener({});
        g_pendingPicture = CPendingPicture{};
    }

    CMainFrame& Build() {
        frame = std::make_unique<CMainFrame>(docs);
        frame->show();
        QApplication::processEvents();
        return *frame;
    }
    void UseLanguageFile(const QByteArray& text) {
        WriteFile(home.filePath("English1252.ini"), text);
        SelectLanguageFile(9, 1);
    }
    QAction* Action(int id) { return frame->CommandAction(id); }

    ScopedProgramFolder home;
    CDocManager docs;
    std::unique_ptr<CMainFrame> frame;
    std::vector<MessageBoxRequest> boxes;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    std::vector<FileDialogRequest> dialogs;
    std::optional<FileDialogAnswer> dialogAnswer;
};

} // namespace

TEST_F(MainFrameTest, ToolbarHasTheButtonsInOrderWithDefaultTexts) {
    SelectLanguageFile(9, 1); // no language file in the folder
    Build();
    QToolBar* toolBar = frame->toolBar();
    EXPECT_EQ(ToolbarIds(toolBar), kToolbarOrder);
    EXPECT_EQ(toolBar->iconSize(), QSize(16, 16));
    EXPECT_EQ(toolBar->windowTitle(), "Standard");
    int buttons = 0;
    for (QAction* action : toolBar->actions()) {
        if (action->isSeparator()) {
            continue;
        }
        ++buttons;
        EXPECT_FALSE(action->icon().pixmap(16, 16).isNull()) << CMDIFrameWnd::CommandId(action);
        EXPECT_FALSE(action->toolTip().isEmpty()) << CMDIFrameWnd::CommandId(action);
        EXPECT_NE(qobject_cast<QToolButton*>(toolBar->widgetForAction(action)), nullptr);
    }
    EXPECT_EQ(buttons, 43);

    // The two-point distance has its own short tooltip but shares the help.
    EXPECT_EQ(Action(ID_MEASURE_LINE)->toolTip(), "Distance of 2 points");
    EXPECT_EQ(Action(ID_MEASURE_LINE)->statusTip(), "Distance of a point and a point");
    EXPECT_EQ(Action(ID_MEASURE_HLINE)->toolTip(), "Distance of a point and a point");
    EXPECT_EQ(Action(ID_AREA_RELIEF)->toolTip(), "Relief");
    EXPECT_EQ(Action(ID_TAKE_VIDEO)->statusTip(), "Take a video");
    EXPECT_EQ(Action(ID_CROSSLINE)->toolTip(), "Crosshairs");
    // Menu items outside the toolbar have no status help.
    EXPECT_EQ(Action(ID_APP_EXIT)->statusTip(), "");
}

TEST_F(MainFrameTest, ToolbarTextsComeFromTheLanguageFile) {
    UseLanguageFile("[ZeDUV]\nToolbarHitMSLINE=Punkt zu Punkt\nToolbarHitAMRELIEVO=Relief-X\n"
                    "ToolbarHitOpenDevice=Kamera\nOpenDevice=Kamera öffnen\n");
    Build();
    EXPECT_EQ(Action(ID_MEASURE_LINE)->toolTip(), "Punkt zu Punkt");
    EXPECT_EQ(Action(ID_MEASURE_LINE)->statusTip(), "Punkt zu Punkt");
    EXPECT_EQ(Action(ID_MEASURE_VLINE)->statusTip(), "Punkt zu Punkt");
    EXPECT_EQ(Action(ID_AREA_RELIEF)->toolTip(), "Relief-X");
    EXPECT_EQ(Action(ID_AREA_SMOOTH)->toolTip(), "Smooth");
    // The camera item is shared: menu caption and toolbar tooltip differ.
    EXPECT_EQ(Action(ID_OPEN_DEVICE)->toolTip(), "Kamera");
    EXPECT_EQ(Action(ID_OPEN_DEVICE)->text(), QString::fromUtf8("Kamera öffnen"));

    // Hovering a button puts its help into the message pane.
    Action(ID_AREA_RELIEF)->showStatusText(frame->toolBar());
    EXPECT_EQ(frame->paneBar().paneText(kMessagePane), "Relief-X");
}

TEST_F(MainFrameTest, MenusRelabelRightAfterALanguageSwitch) {
    home.InstallLanguageFiles();
    SelectLanguageFile(9, 1);
    Build();
    QMenuBar* bar = frame->menuBar();
    EXPECT_EQ(MenuTitles(bar),
              (QStringList{"File", "Camera", "Analyze", "View", "Language", "About"}));
    QMenu* file = bar->actions()[0]->menu();
    EXPECT_EQ(SubMenu(file, 0)->title(), "Open...");
    EXPECT_EQ(SubMenu(file, 0)->actions()[0], Action(ID_FILE_OPEN));
    EXPECT_EQ(Action(ID_FILE_OPEN)->text(), "Open Picture");

    // Chosen from the menu, as a user does.
    QMenu* language = bar->actions()[4]->menu();
    ASSERT_EQ(language->actions()[0], Action(ID_LANGUAGE_CHINESE_SP));
    language->actions()[0]->trigger();

    EXPECT_EQ(MenuTitles(bar), (QStringList{QString::fromUtf8("文件"), QString::fromUtf8("摄像头"),
                                            QStringLiteral("Analyze"), QString::fromUtf8("视图"),
                                            QString::fromUtf8("语言"), QString::fromUtf8("关于")}));
    EXPECT_EQ(SubMenu(file, 0)->title(), QString::fromUtf8("打开..."));
    EXPECT_EQ(Action(ID_FILE_OPEN)->text(), QString::fromUtf8("打开图片"));
    EXPECT_EQ(Action(ID_VIEW_STATUS_BAR)->text(), QString::fromUtf8("状态栏"));
    QMenu* view = bar->actions()[3]->menu();
    EXPECT_EQ(SubMenu(view, 0)->title(), QString::fromUtf8("工具栏和停靠窗口"));

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QString::fromUtf8("请重新启动程序"));
    EXPECT_EQ(boxes[0].caption, QString::fromUtf8("系统提示"));
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(g_parameters.languagemainid, 4);
    EXPECT_EQ(g_parameters.languagesubid, 2);
    EXPECT_TRUE(g_language.changedInRun);
    QSettings store(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
    EXPECT_EQ(store.value("Parameter/languagesubid").toInt(), 2);

    Action(ID_LANGUAGE_CHINESE_TR)->trigger();
    EXPECT_EQ(g_language.file, home.filePath("Chinese950.ini"));
    Action(ID_LANGUAGE_ENGLISH)->trigger();
    EXPECT_EQ(MenuTitles(bar)[0], "File");
    EXPECT_EQ(boxes.size(), 3u);
}

// A home without language files (as tests and portable setups have) still
// gets the chosen language from the executable's or the install's folder,
// and the Language menu shows which one is in use.
TEST_F(MainFrameTest, LanguageFilesAreFoundBesideTheProgramAndTheChoiceIsMarked) {
    ScopedProgramFolder installed;
    installed.InstallLanguageFiles();
    g_folders.programFolder = home.path();
    g_folders.languageFolders = {home.filePath("bin"), installed.path()};
    g_parameters.languagemainid = 4;
    g_parameters.languagesubid = 2;
    SelectLanguageFile(4, 2);
    Build();
    EXPECT_EQ(MenuTitles(frame->menuBar())[0], QString::fromUtf8("文件"));
    EXPECT_EQ(Action(ID_FILE_OPEN)->text(), QString::fromUtf8("打开图片"));
    QMenu* language = frame->menuBar()->actions()[4]->menu();
    const auto marked = [language] {
        emit language->aboutToShow();
        QList<bool> checks;
        for (QAction* action : language->actions()) {
            checks.append(action->isCheckable() && action->isChecked());
        }
        return checks;
    };
    EXPECT_EQ(marked(), (QList<bool>{true, false, false}));
    Action(ID_LANGUAGE_CHINESE_TR)->trigger();
    EXPECT_EQ(g_language.file, installed.filePath("Chinese950.ini"));
    EXPECT_EQ(marked(), (QList<bool>{false, true, false}));
    // Identifiers without a file of their own read English.
    g_parameters.languagemainid = 99;
    EXPECT_EQ(marked(), (QList<bool>{false, false, true}));
    g_parameters.languagemainid = 7; // German has a file, just no menu item
    EXPECT_EQ(marked(), (QList<bool>{false, false, false}));
}

// Every interface lists the languages in their own names; the tip names
// each in the interface's language.
TEST_F(MainFrameTest, LanguagesAreListedInTheirOwnNames) {
    home.InstallLanguageFiles();
    SelectLanguageFile(9, 1);
    Build();
    QMenu* language = frame->menuBar()->actions()[4]->menu();
    const QStringList ownNames{QString::fromUtf8("简体中文"), QString::fromUtf8("繁體中文"),
                               "English"};
    const struct {
        int command;
        QStringList tips;
    } cases[] = {
        {ID_LANGUAGE_CHINESE_SP,
         {QString::fromUtf8("简体中文"), QString::fromUtf8("繁体中文"), QString::fromUtf8("英文")}},
        {ID_LANGUAGE_CHINESE_TR,
         {QString::fromUtf8("簡體中文"), QString::fromUtf8("繁體中文"), QString::fromUtf8("英文")}},
        {ID_LANGUAGE_ENGLISH, {"Simplified Chinese", "Traditional Chinese", "English"}},
    };
    for (const auto& entry : cases) {
        Action(entry.command)->trigger();
        QStringList texts;
        QStringList tips;
        for (QAction* action : language->actions()) {
            texts << action->text();
            tips << action->statusTip();
        }
        EXPECT_EQ(texts, ownNames) << entry.command;
        EXPECT_EQ(tips, entry.tips) << entry.command;
    }
}

// A first start shows what to do instead of an empty grey area.
TEST_F(MainFrameTest, TheEmptyWindowAreaOffersTheFirstSteps) {
    SetHardwareCaptureBackends({});
    WriteFile(home.filePath("SaveFile/20261209114004.bmp"), "x");
    WriteFile(home.filePath("SaveFile/20261209114010.jpg"), "x");
    WriteFile(home.filePath("SaveFile/notes.txt"), "x");
    Build();
    auto* panel = frame->findChild<QWidget*>("startPanel");
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->size(), frame->mdiArea()->viewport()->size());
    auto* camera = panel->findChild<QPushButton*>("startOpenCamera");
    EXPECT_EQ(camera->text(), "Open Camera: Marnelo Virtual Microscope (no camera plugged in)");
    auto* recent = panel->findChild<QListWidget*>("startRecentPictures");
    ASSERT_EQ(recent->count(), 2);
    EXPECT_EQ(recent->item(0)->text(), "20261209114010.jpg");
    EXPECT_EQ(recent->item(1)->text(), "20261209114004.bmp");

    // Open Picture asks for a file, as the menu's does.
    QTest::mouseClick(panel->findChild<QPushButton*>("startOpenPicture"), Qt::LeftButton);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].mode, FileDialogRequest::Mode::Open);

    // A recent picture opens with a click; the panel goes while it is open.
    QTest::mouseClick(recent->viewport(), Qt::LeftButton, {},
                      recent->visualItemRect(recent->item(1)).center());
    QApplication::processEvents();
    ASSERT_EQ(frame->childFrames().size(), 1);
    EXPECT_EQ(frame->childFrames()[0]->document().pathName(),
              home.filePath("SaveFile/20261209114004.bmp"));
    EXPECT_FALSE(panel->isVisible());
    answer = QMessageBox::Yes;
    EXPECT_TRUE(frame->childFrames()[0]->close());
    ProcessDeferredDeletes();
    QApplication::processEvents();
    EXPECT_TRUE(panel->isVisible());
}

TEST_F(MainFrameTest, LastPopupHasItsOwnKeyWhileAPictureIsActive) {
    UseLanguageFile("[ZeDUV]\nAbout1=Frame about\nAbout=Picture about\n");
    Build();
    QAction* aboutPopup = frame->menuBar()->actions()[5];
    EXPECT_EQ(aboutPopup->text(), "Frame about");
    frame->OpenDocument(DocKind::StillImage, home.filePath("a.bmp"));
    EXPECT_EQ(aboutPopup->text(), "Picture about");
    EXPECT_EQ(frame->windowTitle(), "a.bmp - Marnelo");
    frame->activeDocument()->SetTitle(QStringLiteral("b.bmp"));
    EXPECT_EQ(frame->windowTitle(), "b.bmp - Marnelo");
}

TEST_F(MainFrameTest, OpenPictureTakesThePendingPathOnce) {
    Build();
    g_pendingPicture.path = home.filePath("SaveFile/20240101120000.bmp");
    Action(ID_FILE_OPEN)->trigger();
    EXPECT_TRUE(dialogs.empty());
    ASSERT_EQ(frame->childFrames().size(), 1);
    auto& first = dynamic_cast<CTestDocument&>(frame->childFrames()[0]->document());
    EXPECT_EQ(first.openedPath, home.filePath("SaveFile/20240101120000.bmp"));
    EXPECT_TRUE(g_pendingPicture.path.isEmpty());

    // The next one asks, starting where the snapshots are; cancel opens nothing.
    Action(ID_FILE_OPEN)->trigger();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "Open image file");
    EXPECT_TRUE(dialogs[0].fileMustExist);
    EXPECT_EQ(dialogs[0].initialFilter, 0);
    EXPECT_EQ(dialogs[0].defaultSuffix, "bmp");
    EXPECT_EQ(dialogs[0].path, home.filePath("SaveFile"));
    EXPECT_EQ(frame->childFrames().size(), 1);

    dialogAnswer = FileDialogAnswer{home.filePath("pictures/b.jpg"), 1};
    Action(ID_FILE_OPEN)->trigger();
    ASSERT_EQ(frame->childFrames().size(), 2);
    EXPECT_EQ(frame->activeDocument()->pathName(), home.filePath("pictures/b.jpg"));
    // ...and the dialog remembers the folder.
    Action(ID_FILE_OPEN)->trigger();
    EXPECT_EQ(dialogs.back().path, home.filePath("pictures"));
}

// Answers the camera selection that the next command shows: picks the last
// listed camera (the virtual microscope) or cancels.
void AnswerCameraSelection(bool pick) {
    QTimer::singleShot(0, [pick] {
        auto* dialog = qobject_cast<CSelectDeviceDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (pick) {
            dialog->CameraList()->setCurrentIndex(dialog->CameraList()->count() - 1);
            dialog->accept();
        } else {
            dialog->reject();
        }
    });
}

TEST_F(MainFrameTest, OpenCameraKeepsOneLiveWindow) {
    Build();
    EXPECT_FALSE(Action(ID_TAKE_PICTURE)->isEnabled());
    AnswerCameraSelection(false);
    Action(ID_OPEN_DEVICE)->trigger();
    EXPECT_TRUE(frame->childFrames().isEmpty()) << "cancelled";
    AnswerCameraSelection(true);
    Action(ID_OPEN_DEVICE)->trigger();
    EXPECT_EQ(g_captureSession.chosen, &g_captureSession.devices[g_captureSession.deviceCount - 1]);
    ASSERT_EQ(frame->childFrames().size(), 1);
    CChildFrame* live = frame->childFrames()[0];
    EXPECT_EQ(live->windowTitle(), "Marnelo");
    EXPECT_TRUE(Action(ID_TAKE_PICTURE)->isEnabled());
    EXPECT_TRUE(Action(ID_VIDEO_SETTING)->isEnabled());
    EXPECT_FALSE(Action(ID_ZOOM_IN)->isEnabled());

    frame->OpenDocument(DocKind::StillImage, home.filePath("a.bmp"));
    EXPECT_FALSE(Action(ID_TAKE_PICTURE)->isEnabled());
    EXPECT_TRUE(Action(ID_ZOOM_IN)->isEnabled());

    Action(ID_OPEN_DEVICE)->trigger();
    EXPECT_EQ(frame->childFrames().size(), 2);
    EXPECT_EQ(frame->activeChildFrame(), live);
    EXPECT_TRUE(Action(ID_TAKE_PICTURE)->isEnabled());
}

TEST_F(MainFrameTest, CloseQuestionNoKeepsEverythingOpen) {
    Build();
    frame->OpenDocument(DocKind::StillImage, home.filePath("a.bmp"));
    frame->paneBar().setVisible(true);
    answer = QMessageBox::No;
    EXPECT_FALSE(frame->close());
    Action(ID_APP_EXIT)->trigger();
    ProcessDeferredDeletes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Are you sure close?");
    EXPECT_EQ(boxes[0].caption, "");
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->childFrames().size(), 1);

    // Closing the picture window asks too.
    EXPECT_FALSE(frame->childFrames()[0]->close());
    EXPECT_EQ(boxes.size(), 3u);
    EXPECT_EQ(frame->childFrames().size(), 1);

    // Yes closes once and keeps the layout for the next run.
    answer = QMessageBox::Yes;
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(boxes.size(), 4u);
    EXPECT_FALSE(frame->isVisible());
    QSettings store(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
    EXPECT_TRUE(store.contains("Workspace/State"));
    EXPECT_TRUE(store.contains("Workspace/Geometry"));
}

TEST_F(MainFrameTest, WindowLayoutIsKeptBetweenRuns) {
    Build();
    frame->browserPane()->hide();
    frame->toolBar()->hide();
    frame->close();
    frame.reset();

    Build();
    EXPECT_TRUE(frame->browserPane()->isHidden());
    EXPECT_TRUE(frame->toolBar()->isHidden());
    EXPECT_FALSE(frame->calibrationPane()->isHidden());
}

TEST_F(MainFrameTest, FrameCommandsWithoutADocument) {
    Build();
    QList<QUrl> opened;
    SetDesktopOpener([&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    Action(ID_FAVORITES)->trigger();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(home.filePath("SaveFile")));

    // About does nothing, but is available.
    EXPECT_TRUE(Action(ID_APP_ABOUT)->isEnabled());
    Action(ID_APP_ABOUT)->trigger();
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(frame->childFrames().isEmpty());

    // Save Setting runs the measure settings dialog modally.
    ASSERT_TRUE(Action(ID_SAVE_SETTING)->isEnabled());
    QString shownTitle;
    QTimer::singleShot(0, [&shownTitle] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            shownTitle = dialog->metaObject()->className();
            dialog->close();
        }
    });
    Action(ID_SAVE_SETTING)->trigger();
    EXPECT_EQ(shownTitle, "CSettingDialog");

    // Commands of documents and views wait for them.
    for (int id : {ID_VIDEO_SETTING, ID_ZOOM_IN, ID_MEASURE_LINE, ID_TAKE_VIDEO, ID_EXPORT_EXCEL}) {
        EXPECT_FALSE(Action(id)->isEnabled()) << id;
    }

    // The status bar item shows and hides the bar, checked while shown.
    EXPECT_TRUE(Action(ID_VIEW_STATUS_BAR)->isChecked());
    Action(ID_VIEW_STATUS_BAR)->trigger();
    EXPECT_TRUE(frame->paneBar().isHidden());
    EXPECT_FALSE(Action(ID_VIEW_STATUS_BAR)->isChecked());
    Action(ID_VIEW_STATUS_BAR)->trigger();
    EXPECT_FALSE(frame->paneBar().isHidden());

    // A right click on the frame's own area opens no menu (one that opened
    // anyway is closed again so that the test ends).
    bool popupSeen = false;
    QTimer::singleShot(0, [&popupSeen] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popupSeen = true;
            popup->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(50, 50),
                            frame->mdiArea()->mapToGlobal(QPoint(50, 50)));
    QApplication::sendEvent(frame->mdiArea()->viewport(), &event);
    QApplication::processEvents();
    EXPECT_FALSE(popupSeen);
}

TEST_F(MainFrameTest, StatusBarAndPanes) {
    Build();
    CStatusBar& bar = frame->paneBar();
    ASSERT_EQ(bar.paneCount(), 6);
    EXPECT_EQ(bar.paneId(1), 105);
    EXPECT_EQ(bar.paneId(2), 106);
    EXPECT_EQ(bar.pane(0)->sizeHint().width(), 200);
    EXPECT_EQ(bar.pane(1)->sizeHint().width(), 600);
    EXPECT_EQ(bar.pane(2)->sizeHint().width(), 400);

    EXPECT_EQ(frame->calibrationPane()->windowTitle(), "Calibration Management");
    EXPECT_EQ(frame->resultsPane()->windowTitle(), "Measure Results");
    EXPECT_EQ(frame->browserPane()->windowTitle(), "Picture Browser");
    EXPECT_EQ(frame->tabifiedDockWidgets(frame->calibrationPane()),
              (QList<QDockWidget*>{frame->resultsPane(), frame->particlePane()}));
    EXPECT_TRUE(frame->tabifiedDockWidgets(frame->browserPane()).isEmpty());
    for (QDockWidget* pane : std::initializer_list<QDockWidget*>{
             frame->calibrationPane(), frame->resultsPane(), frame->browserPane()}) {
        EXPECT_FALSE(pane->windowIcon().isNull());
    }
    EXPECT_NE(qobject_cast<CCalManageFormView*>(frame->calibrationPane()->widget()), nullptr);
    EXPECT_NE(qobject_cast<CMeasureResultFormView*>(frame->resultsPane()->widget()), nullptr);
    EXPECT_NE(qobject_cast<CThumbnailsFormView*>(frame->browserPane()->widget()), nullptr);
}

TEST_F(MainFrameTest, PaneTitlesFollowTheStartLanguage) {
    g_parameters.languagemainid = 4;
    g_parameters.languagesubid = 1;
    Build();
    EXPECT_EQ(frame->browserPane()->windowTitle(), QString::fromUtf8("圖片瀏覽"));
    EXPECT_EQ(frame->toolBar()->windowTitle(), QString::fromUtf8("標準"));
}

TEST_F(MainFrameTest, ApplicationLooksAreAppliedAndStored) {
    Build();
    EXPECT_EQ(frame->applicationLook(), kDefaultApplicationLook);
    EXPECT_TRUE(frame->QueryCommandState(207).checked());
    const QPalette before = QApplication::palette();

    EXPECT_TRUE(frame->RouteCommand(216));
    QSettings store(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
    EXPECT_EQ(store.value("Workspace/ApplicationLook").toInt(), 216);
    EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");
    EXPECT_LT(QApplication::palette().color(QPalette::Window).lightness(), 100);
    EXPECT_TRUE(frame->QueryCommandState(216).checked());
    EXPECT_FALSE(frame->QueryCommandState(207).checked());

    EXPECT_TRUE(frame->RouteCommand(205));
    EXPECT_EQ(QApplication::style()->name().toLower(), "windows");

    // The platform look comes back whole; a later frame starts with the stored look.
    EXPECT_TRUE(frame->RouteCommand(207));
    EXPECT_EQ(QApplication::palette(), before);
    frame->RouteCommand(210);
    frame.reset();
    Build();
    EXPECT_EQ(frame->applicationLook(), 210);
    frame->RouteCommand(207);
}

TEST(ApplicationLook, UnknownLooksGetTheBlueOne) {
    EXPECT_EQ(LookStyleFor(300).window, LookStyleFor(215).window);
    EXPECT_EQ(LookStyleFor(211).window, LookStyleFor(215).window);
    EXPECT_NE(LookStyleFor(216).window, LookStyleFor(215).window);
    EXPECT_TRUE(LookStyleFor(207).styleName.isEmpty());
}

TEST_F(MainFrameTest, SplashShowsUnlessSwitchedOff) {
    Build();
    auto splashes = [] {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* splash = qobject_cast<QSplashScreen*>(widget);
                splash && splash->isVisible()) {
                EXPECT_EQ(splash->pixmap().size(), QSize(1000, 750));
                splash->close();
                ++count;
            }
        }
        return count;
    };
    EXPECT_EQ(splashes(), 0);
    frame.reset();
    qunsetenv("MARNELO_NO_SPLASH");
    Build();
    qputenv("MARNELO_NO_SPLASH", "1");
    EXPECT_EQ(splashes(), 1);
}
