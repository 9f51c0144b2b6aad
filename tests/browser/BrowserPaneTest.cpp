#include "app/CMainFrame.h"
#include "app/DocTemplates.h"
#include "browser/ThumbnailAnnouncement.h"
#include "browser/ThumbnailFiles.h"
#include "browser/ui/CThumbnailsFormView.h"
#include "browser/ui/CThumbnailsFormViewEnlarged.h"
#include "browser/ui/CThumbnailsFormViewView.h"
#include "browser/ui/CThumbnailsFormWnd.h"
#include "core/Folders.h"
#include "core/MagnifierBuffer.h"
#include "core/PendingPicture.h"
#include "framework/PostedEvents.h"
#include "framework/ui/ChildFrame.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/MessageBox.h"
#include "tests/browser/BrowserTestSupport.h"
#include "tests/support/PaintedTexts.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <thread>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QSplitter>
#include <QTest>

namespace {

// The picture browser pane on a snapshot folder of the test's own, with a
// trash inside that folder's parent and message boxes answered Yes.
class BrowserPaneTest : public ::testing::Test {
protected:
    BrowserPaneTest() {
        g_folders.snapshotFolder = home.filePath("SaveFile");
        QDir().mkpath(g_folders.snapshotFolder);
        QDir().mkpath(home.filePath("Trash"));
        SetTrashMover([this](const QString& path) {
            trashed << QFileInfo(path).fileName();
            return QFile::rename(path, home.filePath("Trash/" + QFileInfo(path).fileName()));
        });
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            questions << request.text;
            return QMessageBox::Yes;
        });
    }
    ~BrowserPaneTest() override {
        pane.reset();
        frame.reset();
        SetTrashMover({});
        SetMessageBoxResponder({});
        g_pendingPicture = CPendingPicture{};
        g_magnifier = CMagnifierState{};
    }

    QString Snapshot(const QString& name) const {
        return QDir(g_folders.snapshotFolder).filePath(name);
    }
    void ShowPane() {
        pane = std::make_unique<CThumbnailsFormWnd>(QStringLiteral("Picture Browser"));
        pane->resize(300, 600);
        pane->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pane.get()));
        WaitForLoader();
    }
    CThumbnailsFormViewView* List() const { return pane->view()->list(); }
    // Lets the loader finish and its results arrive.
    void WaitForLoader() {
        for (int round = 0; round < 3; ++round) {
            List()->loader().WaitUntilIdle();
            QApplication::sendPostedEvents();
            QApplication::processEvents();
        }
    }
    QStringList Labels() const {
        QStringList labels;
        for (int i = 0; i < List()->count(); ++i) {
            labels << List()->item(i)->text();
        }
        return labels;
    }
    QRgb IconPixel(int row, QPoint at) const {
        return List()->item(row)->icon().pixmap(60, 60).toImage().pixel(at);
    }
    // Right-clicks the item and picks a command of its context menu.
    void RunMenuCommand(int row, const QString& command) {
        const QPoint at = List()->visualItemRect(List()->item(row)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, List()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(List()->viewport(), &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QStringList texts;
        for (QAction* action : menu->actions()) {
            texts << action->text();
        }
        EXPECT_EQ(texts, (QStringList{"Open...", "Save as", "Delete", "Delete all", "",
                                      "Focus stack…", "Stitch…"}));
        for (QAction* action : menu->actions()) {
            if (action->text() == command) {
                menu->close();
                action->trigger();
            }
        }
        WaitForLoader();
    }

    ScopedProgramFolder home;
    QStringList trashed;
    QStringList questions;
    std::unique_ptr<CThumbnailsFormWnd> pane;
    CDocManager docs;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace

TEST_F(BrowserPaneTest, ShowsThePicturesInNameOrderWithBlankThumbnailsForBrokenOnes) {
    WritePicture(Snapshot("Photo.JPG"), 120, 60, ImageType::Jpeg, {0, 0, 255, 0});
    WritePicture(Snapshot("20240101000000.bmp"), 60, 120, ImageType::Bmp, {255, 0, 0, 0});
    WriteFile(Snapshot("corrupt.bmp"), "BM not really");
    WriteFile(Snapshot("a.jpeg"), "x");
    WriteFile(Snapshot("a.gif"), "x");
    ShowPane();

    EXPECT_EQ(Labels(), (QStringList{"20240101000000.bmp", "corrupt.bmp", "photo.jpg"}));
    // The real names stay behind the lower-case labels, so the files open.
    EXPECT_EQ(List()->names().back(), "Photo.JPG");
    // 60 × 120 drawn 30 × 60 at (15, 0); 120 × 60 drawn 60 × 30 at (0, 15).
    EXPECT_EQ(IconPixel(0, {5, 30}), qRgb(255, 255, 255));
    EXPECT_EQ(IconPixel(0, {30, 30}), qRgb(0, 0, 255));
    EXPECT_EQ(IconPixel(2, {30, 5}), qRgb(255, 255, 255));
    EXPECT_GE(qRed(IconPixel(2, {30, 30})), 250);
    // The broken picture keeps its item with a blank thumbnail.
    EXPECT_EQ(IconPixel(1, {30, 30}), qRgb(255, 255, 255));
    EXPECT_EQ(IconPixel(1, {0, 30}), qRgb(192, 192, 192));

    // The splitter gives the list nine tenths, the magnifier one.
    const QList<int> sizes = pane->view()->splitter()->sizes();
    EXPECT_NEAR(sizes[1] * 10.0 / (sizes[0] + sizes[1]), 1.0, 0.1);
}

TEST_F(BrowserPaneTest, AnnouncedSnapshotsAppearAtOnceFromAnyThread) {
    WritePicture(Snapshot("20240101000000.jpg"), 40, 40, ImageType::Jpeg);
    ShowPane();
    WritePicture(Snapshot("20240102000000.bmp"), 40, 40, ImageType::Bmp, {0, 255, 0, 0});
    std::thread([this] { AnnounceSavedPicture(Snapshot("20240102000000.bmp")); }).join();
    QApplication::sendPostedEvents(List(), 0);
    // Listed at once, before any reload of the folder.
    EXPECT_EQ(Labels(), (QStringList{"20240101000000.jpg", "20240102000000.bmp"}));
    WaitForLoader();
    EXPECT_EQ(IconPixel(1, {30, 30}), qRgb(0, 255, 0));

    // Exports elsewhere and other files are not listed.
    WritePicture(home.filePath("export.bmp"), 10, 10, ImageType::Bmp);
    AnnounceSavedPicture(home.filePath("export.bmp"));
    AnnounceSavedPicture(Snapshot("clip.avi"));
    QApplication::sendPostedEvents(List(), 0);
    EXPECT_EQ(List()->count(), 2);
}

TEST_F(BrowserPaneTest, ReloadDuringALoadEndsWithEveryThumbnail) {
    for (int i = 0; i < 30; ++i) {
        WritePicture(Snapshot(QStringLiteral("p%1.jpg").arg(i, 2, 10, QChar(u'0'))), 800, 600,
                     ImageType::Jpeg, {0, 0, 200, 0});
    }
    ShowPane();
    PostToReceiver(ReceiverRole::ThumbnailList, UM_RELOAD_THUMBNAILS);
    QApplication::sendPostedEvents(List(), 0);
    PostToReceiver(ReceiverRole::ThumbnailList, UM_RELOAD_THUMBNAILS);
    QApplication::sendPostedEvents(List(), 0);
    WaitForLoader();
    ASSERT_EQ(List()->count(), 30);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(qRed(IconPixel(i, {30, 30})), 200) << i;
    }

    // A new save folder is listed on reload.
    g_folders.snapshotFolder = home.filePath("Other");
    QDir().mkpath(g_folders.snapshotFolder);
    WritePicture(Snapshot("only.bmp"), 10, 10, ImageType::Bmp);
    PostToReceiver(ReceiverRole::ThumbnailList, UM_RELOAD_THUMBNAILS);
    QApplication::sendPostedEvents(List(), 0);
    WaitForLoader();
    EXPECT_EQ(Labels(), QStringList{"only.bmp"});
}

TEST_F(BrowserPaneTest, MissingFolderListsNothingAndWatchingFindsOtherProgramsChanges) {
    g_folders.snapshotFolder = home.filePath("gone");
    ShowPane();
    EXPECT_EQ(List()->count(), 0);

    g_folders.snapshotFolder = home.filePath("SaveFile");
    PostToReceiver(ReceiverRole::ThumbnailList, UM_RELOAD_THUMBNAILS);
    QApplication::sendPostedEvents(List(), 0);
    WaitForLoader();
    // Another program copies pictures in and takes one away.
    for (const char* name : {"x.bmp", "y.bmp", "z.bmp"}) {
        WritePicture(Snapshot(name), 8, 8, ImageType::Bmp);
    }
    EXPECT_TRUE(QTest::qWaitFor([this] { return List()->count() == 3; }, 5000));
    QFile::remove(Snapshot("y.bmp"));
    EXPECT_TRUE(QTest::qWaitFor([this] { return List()->count() == 2; }, 5000));
    EXPECT_EQ(Labels(), (QStringList{"x.bmp", "z.bmp"}));
}

TEST_F(BrowserPaneTest, DeleteAndDeleteAllAskAndTrashOnlyListedPictures) {
    for (const char* name : {"a.bmp", "b.jpg", "c.bmp"}) {
        WritePicture(Snapshot(name), 8, 8, ImageType::Bmp);
    }
    WriteFile(Snapshot("notes.txt"), "mine");
    WriteFile(Snapshot("d.jpeg"), "not listed");
    QDir().mkpath(Snapshot("Video"));
    ShowPane();

    RunMenuCommand(1, "Delete");
    EXPECT_EQ(questions, QStringList{"Are you sure delete?"});
    EXPECT_EQ(trashed, QStringList{"b.jpg"});
    EXPECT_TRUE(g_pendingPicture.path.isEmpty());
    EXPECT_EQ(Labels(), (QStringList{"a.bmp", "c.bmp"}));

    RunMenuCommand(0, "Delete all");
    EXPECT_EQ(trashed, (QStringList{"b.jpg", "a.bmp", "c.bmp"}));
    EXPECT_EQ(List()->count(), 0);
    EXPECT_TRUE(QFile::exists(Snapshot("notes.txt")));
    EXPECT_TRUE(QFile::exists(Snapshot("d.jpeg")));
    EXPECT_TRUE(QFileInfo(Snapshot("Video")).isDir());
}

TEST_F(BrowserPaneTest, PicturesNoTrashTakesStayAndTheUserHearsWhy) {
    SetTrashMover([](const QString&) { return false; });
    for (const char* name : {"a.bmp", "b.bmp"}) {
        WritePicture(Snapshot(name), 8, 8, ImageType::Bmp);
    }
    ShowPane();
    // (row clicked, command, what the warning begins with, the picture it names)
    const struct {
        int index;
        const char* command;
        const char* told;
        const char* named;
    } cases[] = {{1, "Delete", "The picture was not deleted: ", "b.bmp"},
                 {0, "Delete all", "Some pictures were not deleted: ", "a.bmp"}};
    for (const auto& c : cases) {
        questions.clear();
        RunMenuCommand(c.index, c.command);
        ASSERT_EQ(questions.size(), 2) << c.command;
        EXPECT_TRUE(questions[1].startsWith(c.told)) << questions[1].toStdString();
        EXPECT_TRUE(questions[1].contains(Snapshot(c.named))) << questions[1].toStdString();
        EXPECT_EQ(Labels(), (QStringList{"a.bmp", "b.bmp"}));
    }
}

TEST_F(BrowserPaneTest, SaveAsCopiesOrConvertsThePendingPicture) {
    WritePicture(Snapshot("x.bmp"), 20, 10, ImageType::Bmp);
    ShowPane();
    QString target = home.filePath("y.BMP");
    SetFileDialogResponder([&target](const FileDialogRequest& request) {
        EXPECT_EQ(request.mode, FileDialogRequest::Mode::Save);
        EXPECT_EQ(request.defaultSuffix, "bmp");
        return std::optional<FileDialogAnswer>(FileDialogAnswer{target, 0});
    });
    RunMenuCommand(0, "Save as");
    EXPECT_EQ(ReadFile(target), ReadFile(Snapshot("x.bmp")));
    EXPECT_TRUE(g_pendingPicture.path.isEmpty());

    target = home.filePath("y.jpg");
    RunMenuCommand(0, "Save as");
    EXPECT_TRUE(ReadFile(target).startsWith("\xFF\xD8"));
    SetFileDialogResponder({});
}

TEST_F(BrowserPaneTest, DoubleClickOpensThePictureThroughOpenPicture) {
    WritePicture(Snapshot("Photo.JPG"), 32, 24, ImageType::Jpeg);
    RegisterDocTemplates(docs);
    frame = std::make_unique<CMainFrame>(docs);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    CThumbnailsFormViewView* list = frame->browserPane()->view()->list();
    list->loader().WaitUntilIdle();
    QApplication::sendPostedEvents();
    ASSERT_EQ(list->count(), 1);

    const QPoint at = list->visualItemRect(list->item(0)).center();
    // A real double-click starts with a press of its own.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(g_pendingPicture.path.isEmpty());
    ASSERT_EQ(frame->childFrames().size(), 1);

    // The selected picture is decoded whole on the loader's thread.
    list->loader().WaitUntilIdle();
    QApplication::sendPostedEvents();
    ASSERT_NE(list->currentPicture(), nullptr);
    EXPECT_EQ(list->currentPicture()->Width(), 32);
}

TEST_F(BrowserPaneTest, MagnifierDrawsPostedFillsAndCyclesItsZoomOnClicks) {
    AllocateMagnifierBuffer();
    ShowPane();
    CThumbnailsFormViewEnlarged* magnifier = pane->view()->magnifier();
    magnifier->resize(300, 300);
    // A 100 × 100 square, its top half blue (the buffer is bottom-up).
    std::uint8_t* buffer = MagnifierBuffer();
    for (int row = 0; row < 100; ++row) {
        for (int x = 0; x < 100; ++x) {
            std::uint8_t* p = buffer + 300 * row + 3 * x;
            p[0] = row >= 50 ? 255 : 0;
            p[1] = 0;
            p[2] = 0;
        }
    }
    std::thread([] { PostToReceiver(ReceiverRole::Magnifier, UM_MAGNIFIER_FILLED); }).join();
    QApplication::sendPostedEvents(magnifier, 0);
    EXPECT_EQ(magnifier->drawnFills(), 1);
    QImage shown = magnifier->grab().toImage();
    EXPECT_EQ(shown.pixel(20, 20), qRgb(0, 0, 255));
    EXPECT_EQ(shown.pixel(20, 280), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(20, 150), qRgb(255, 0, 0)); // the red cross
    EXPECT_EQ(shown.pixel(150, 20), qRgb(255, 0, 0));

    // The cycle has three states; an unset state joins it at 1, so four
    // clicks from there come back to 1.
    g_magnifier.zoomState = 0;
    for (const int expected : {1, 2, 3, 1}) {
        QTest::mouseClick(magnifier, Qt::LeftButton);
        EXPECT_EQ(g_magnifier.zoomState, expected);
    }
    // The old square is not shown scrambled at the new size.
    EXPECT_FALSE(magnifier->showsSquare());
    EXPECT_EQ(magnifier->grab().toImage().pixel(20, 20),
              magnifier->palette().color(QPalette::Window).rgb());
    EXPECT_EQ(CPaintedTexts::Of(magnifier), QStringList{"Move the mouse over a picture"});

    // At 30 pixels on 300, each is 10 screen pixels wide: a faint grid shows.
    g_magnifier.zoomState = 3;
    std::fill_n(buffer, kMagnifierBufferBytes, std::uint8_t{0});
    SendToReceiver(ReceiverRole::Magnifier, UM_MAGNIFIER_FILLED);
    shown = magnifier->grab().toImage();
    EXPECT_NE(shown.pixel(10, 5), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(15, 5), qRgb(0, 0, 0));
    FreeMagnifierBuffer();
}

// A time-lapse series differs only at the end of its names: that end stays
// readable, and the whole name is the tooltip.
TEST_F(BrowserPaneTest, LongNamesKeepTheirEndAndShowWholeAsTooltip) {
    const QStringList names{"20261209114004-0001.jpg", "20261209114004-0002.jpg",
                            "20261209114004-0003.JPG"};
    for (const QString& name : names) {
        WritePicture(Snapshot(name), 8, 8, ImageType::Jpeg);
    }
    ShowPane();
    ASSERT_EQ(List()->count(), 3);
    const QStringList painted = CPaintedTexts::Of(List()->viewport());
    ASSERT_EQ(painted.size(), 3) << painted.join('|').toStdString();
    for (int row = 0; row < 3; ++row) {
        const QString shown = painted[row];
        EXPECT_TRUE(shown.endsWith(names[row].right(8).toLower())) << shown.toStdString();
        EXPECT_TRUE(shown.startsWith("2026")) << shown.toStdString();
        EXPECT_EQ(List()->item(row)->toolTip(), names[row]);
    }
}

TEST_F(BrowserPaneTest, TenThousandFilesAndOddNamesAreListedWhole) {
    std::vector<std::uint8_t> tiny;
    ASSERT_TRUE(SolidPicture(2, 2, {10, 20, 30, 0}).Encode(ImageType::Bmp, tiny));
    const QByteArray bytes(reinterpret_cast<const char*>(tiny.data()),
                           static_cast<qsizetype>(tiny.size()));
    for (int i = 0; i < 10000; ++i) {
        WriteFile(Snapshot(QStringLiteral("%1.bmp").arg(i, 5, 10, QChar(u'0'))), bytes);
    }
    for (const char* name : {"with space.bmp", "line\nbreak.bmp", "Ärger über Öl.BMP"}) {
        WriteFile(Snapshot(QString::fromUtf8(name)), bytes);
    }
    ShowPane();
    ASSERT_EQ(List()->count(), 10003);
    EXPECT_EQ(List()->item(10000)->text(), "line\nbreak.bmp");
    EXPECT_EQ(List()->item(10002)->text(), QString::fromUtf8("ärger über öl.bmp"));
    EXPECT_EQ(IconPixel(10002, {30, 30}), qRgb(30, 20, 10));
}
