#include "app/CDocumentMenuButton.h"
#include "app/CWindowsDlg.h"
#include "tests/app/FrameFixture.h"

#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {

QStringList Titles(const QListWidget& list) {
    QStringList titles;
    for (int row = 0; row < list.count(); ++row) {
        titles.append(list.item(row)->text());
    }
    return titles;
}

class WindowsDialogTest : public FrameFixture {
protected:
    void OpenThree() {
        Build();
        first = frame->OpenDocument(DocKind::StillImage, home.filePath("a.bmp"));
        second = frame->OpenDocument(DocKind::StillImage, home.filePath("b.bmp"));
        live = frame->OpenDocument(DocKind::LiveCamera);
        ASSERT_TRUE(first && second && live);
    }
    static void Choose(QListWidget& list, const std::vector<int>& rows) {
        list.clearSelection();
        for (int row : rows) {
            list.item(row)->setSelected(true);
        }
    }
    static QPushButton* Button(QDialog& dialog, const char* name) {
        return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
    }

    CChildFrame* first = nullptr;
    CChildFrame* second = nullptr;
    CChildFrame* live = nullptr;
};

} // namespace

TEST_F(WindowsDialogTest, ActivatesTheChosenWindowFromTheCommand) {
    OpenThree();
    // Reachable from the pane menu as from the tab area.
    EXPECT_TRUE(Action(ID_WINDOW_MANAGER)->isEnabled());
    EXPECT_EQ(Action(ID_WINDOW_MANAGER)->text(), "&Windows...");
    RunDialog<CWindowsDlg>(ID_WINDOW_MANAGER, [&](CWindowsDlg& dialog) {
        auto* list = dialog.findChild<QListWidget*>("WindowList");
        EXPECT_EQ(Titles(*list), (QStringList{"a.bmp", "b.bmp", "Marnelo"}));
        // The active window starts chosen; Activate needs exactly one.
        EXPECT_TRUE(list->item(2)->isSelected());
        Choose(*list, {0, 1});
        EXPECT_FALSE(Button(dialog, "ActivateButton")->isEnabled());
        Choose(*list, {0});
        QTest::mouseClick(Button(dialog, "ActivateButton"), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_EQ(frame->activeChildFrame(), first);
}

TEST_F(WindowsDialogTest, ClosesTheChosenWindowsAskingFirst) {
    OpenThree();
    CWindowsDlg dialog(*frame, frame.get());
    dialog.show();
    auto* list = dialog.findChild<QListWidget*>("WindowList");

    // No keeps both windows, and both were asked about.
    answer = QMessageBox::No;
    Choose(*list, {1, 2});
    QTest::mouseClick(Button(dialog, "CloseButton"), Qt::LeftButton);
    ProcessDeferredDeletes();
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Are you sure close?");
    EXPECT_EQ(frame->childFrames().size(), 3);
    EXPECT_EQ(Titles(*list).size(), 3);

    answer = QMessageBox::Yes;
    Choose(*list, {1, 2});
    QTest::mouseClick(Button(dialog, "CloseButton"), Qt::LeftButton);
    ProcessDeferredDeletes();
    EXPECT_EQ(boxes.size(), 4u);
    EXPECT_EQ(frame->childFrames(), QList<CChildFrame*>{first});
    EXPECT_EQ(Titles(*list), QStringList{"a.bmp"});
    EXPECT_FALSE(Button(dialog, "CloseButton")->isEnabled());
}

TEST_F(WindowsDialogTest, FollowsWindowsAndSavesTheChosenOnes) {
    OpenThree();
    CWindowsDlg dialog(*frame, frame.get());
    dialog.show();
    auto* list = dialog.findChild<QListWidget*>("WindowList");

    // Windows opened, renamed or closed elsewhere show at once.
    CChildFrame* third = frame->OpenDocument(DocKind::StillImage, home.filePath("c.jpg"));
    QApplication::processEvents();
    EXPECT_EQ(Titles(*list), (QStringList{"a.bmp", "b.bmp", "Marnelo", "c.jpg"}));
    third->document().SetTitle(QStringLiteral("d.jpg"));
    second->close();
    ProcessDeferredDeletes();
    EXPECT_EQ(Titles(*list), (QStringList{"a.bmp", "Marnelo", "d.jpg"}));

    // Save reaches each chosen picture, not the active one; the live window
    // has nothing to save.
    Choose(*list, {0, 1, 2});
    QTest::mouseClick(Button(dialog, "SaveButton"), Qt::LeftButton);
    EXPECT_EQ(DocumentOf(first).commands.received, std::vector<int>{ID_FILE_SAVE});
    EXPECT_EQ(DocumentOf(third).commands.received, std::vector<int>{ID_FILE_SAVE});
    EXPECT_TRUE(DocumentOf(live).commands.received.empty());
    EXPECT_TRUE(dialog.isVisible());

    QTest::mouseClick(Button(dialog, "OkButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(frame->childFrames().size(), 3);
}

TEST_F(WindowsDialogTest, TabAreaDocumentMenuListsWindowsAndOffersTheDialog) {
    Build();
    auto* button = frame->mdiArea()->findChild<CDocumentMenuButton*>("DocumentMenuButton");
    ASSERT_NE(button, nullptr);
    QApplication::processEvents();
    EXPECT_FALSE(button->isVisible()); // nothing to list yet

    first = frame->OpenDocument(DocKind::StillImage, home.filePath("a.bmp"));
    live = frame->OpenDocument(DocKind::LiveCamera);
    QApplication::processEvents();
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->geometry().right(), frame->mdiArea()->width() - 1);

    button->FillMenu();
    const QList<QAction*> items = button->menu()->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0]->text(), "a.bmp");
    EXPECT_FALSE(items[0]->isChecked());
    EXPECT_TRUE(items[1]->isChecked()); // the live window is active
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3], Action(ID_WINDOW_MANAGER));
    items[0]->trigger();
    EXPECT_EQ(frame->activeChildFrame(), first);
}
