#include "app/CCustomizeDlg.h"
#include "app/CFrameCustomizer.h"
#include "app/ToolbarTable.h"
#include "browser/ui/CThumbnailsFormWnd.h"
#include "calibration/ui/CCalManageFormWnd.h"
#include "tests/app/FrameFixture.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

namespace {

std::vector<int> DefaultIds() {
    std::vector<int> ids;
    for (const ToolbarButton& button : ToolbarButtons()) {
        ids.push_back(button.id);
    }
    return ids;
}

std::vector<int> Ids(const QToolBar* bar) {
    std::vector<int> ids;
    for (QAction* action : bar->actions()) {
        ids.push_back(action->isSeparator() ? 0 : CMDIFrameWnd::CommandId(action));
    }
    return ids;
}

QListWidgetItem* ItemWithText(const QListWidget& list, const QString& text) {
    for (int row = 0; row < list.count(); ++row) {
        if (list.item(row)->text() == text) {
            return list.item(row);
        }
    }
    ADD_FAILURE() << "no item " << text.toStdString();
    return nullptr;
}

void Click(QDialog& dialog, const char* name) {
    auto* button = dialog.findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    ASSERT_TRUE(button->isEnabled()) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

void ClickOk(QDialog& dialog) {
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
}

// Chooses a command in the dialog's list and adds it to the chosen toolbar.
void AddCommand(CCustomizeDlg& dialog, int id) {
    auto* commands = dialog.findChild<QListWidget*>("CommandList");
    for (int row = 0; row < commands->count(); ++row) {
        if (commands->item(row)->data(Qt::UserRole).toInt() == id) {
            commands->setCurrentRow(row);
        }
    }
    Click(dialog, "AddButton");
}

class FrameCustomizationTest : public FrameFixture {
protected:
    QString Text(int id) { return Action(id)->text(); }
    void AltDrag(QWidget* button, const QPoint& globalTarget) {
        QTest::mousePress(button, Qt::LeftButton, Qt::AltModifier, button->rect().center());
        EXPECT_NE(QApplication::overrideCursor(), nullptr);
        QTest::mouseRelease(button, Qt::LeftButton, Qt::AltModifier,
                            button->mapFromGlobal(globalTarget));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        QApplication::processEvents();
    }
};

} // namespace

TEST_F(FrameCustomizationTest, BarsAndPanesOfferThePaneMenu) {
    Build();
    QStringList entries;
    QTimer::singleShot(0, [&entries] {
        if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : popup->actions()) {
                entries.append(action->isSeparator() ? QStringLiteral("-") : action->text());
            }
            popup->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            frame->toolBar()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(frame->toolBar(), &event);
    QApplication::processEvents();
    EXPECT_EQ(entries,
              (QStringList{"Standard", "Calibration Management", "Measure Results",
                           "Picture Browser", "Particles", "-", "Customize...", "&Windows..."}));

    // The View menu's list is the same menu.
    QMenu* docking = frame->menuBar()->actions()[3]->menu()->actions()[0]->menu();
    emit docking->aboutToShow();
    EXPECT_EQ(docking->actions().size(), entries.size());
    EXPECT_EQ(docking->actions().last(), Action(ID_WINDOW_MANAGER));
}

TEST_F(FrameCustomizationTest, HiddenButtonsAndPanesStayHiddenAfterARestart) {
    Build();
    RunDialog<CCustomizeDlg>(ID_VIEW_CUSTOMIZE, [&](CCustomizeDlg& dialog) {
        auto* buttons = dialog.findChild<QListWidget*>("ButtonList");
        ItemWithText(*buttons, Text(ID_ZOOM_IN))->setCheckState(Qt::Unchecked);
        ItemWithText(*buttons, Text(ID_TAKE_VIDEO))->setCheckState(Qt::Unchecked);
        dialog.findChild<QCheckBox*>("Pane2")->setChecked(false);
        ClickOk(dialog);
    });
    EXPECT_EQ(frame->toolBar()->widgetForAction(Action(ID_ZOOM_IN)), nullptr);
    EXPECT_TRUE(frame->browserPane()->isHidden());
    // A hidden last button leaves the one before it at the end.
    EXPECT_EQ(Ids(frame->toolBar()).back(), ID_TAKE_PICTURE);

    Restart();
    EXPECT_EQ(frame->toolBar()->widgetForAction(Action(ID_ZOOM_IN)), nullptr);
    EXPECT_NE(frame->toolBar()->widgetForAction(Action(ID_ZOOM_OUT)), nullptr);
    EXPECT_TRUE(frame->browserPane()->isHidden());

    // Cancel changes nothing.
    RunDialog<CCustomizeDlg>(ID_VIEW_CUSTOMIZE, [&](CCustomizeDlg& dialog) {
        auto* buttons = dialog.findChild<QListWidget*>("ButtonList");
        EXPECT_EQ(ItemWithText(*buttons, Text(ID_ZOOM_IN))->checkState(), Qt::Unchecked);
        ItemWithText(*buttons, Text(ID_ZOOM_IN))->setCheckState(Qt::Checked);
        dialog.reject();
    });
    EXPECT_EQ(frame->toolBar()->widgetForAction(Action(ID_ZOOM_IN)), nullptr);
}

TEST_F(FrameCustomizationTest, UserToolbarRunsItsCommandsAndSurvivesARestart) {
    Build();
    CChildFrame* picture = frame->OpenDocument(DocKind::StillImage, home.filePath("a.bmp"));
    RunDialog<CCustomizeDlg>(ID_VIEW_CUSTOMIZE, [&](CCustomizeDlg& dialog) {
        QTest::keyClicks(dialog.findChild<QLineEdit*>("ToolbarName"), "Mine");
        Click(dialog, "NewToolbar");
        AddCommand(dialog, ID_ZOOM_IN);
        AddCommand(dialog, ID_MEASURE_LINE);
        AddCommand(dialog, ID_ZOOM_IN); // once per toolbar
        EXPECT_EQ(dialog.findChild<QListWidget*>("ButtonList")->count(), 2);
        ClickOk(dialog);
    });
    QToolBar* mine = frame->customizer()->toolBar(1);
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(mine->windowTitle(), "Mine");
    EXPECT_EQ(Ids(mine), (std::vector<int>{ID_ZOOM_IN, ID_MEASURE_LINE}));
    EXPECT_TRUE(mine->isVisible());
    QTest::mouseClick(mine->widgetForAction(Action(ID_MEASURE_LINE)), Qt::LeftButton);
    EXPECT_EQ(DocumentOf(picture).commands.received, std::vector<int>{ID_MEASURE_LINE});

    Restart();
    mine = frame->customizer()->toolBar(1);
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(mine->windowTitle(), "Mine");
    EXPECT_EQ(Ids(mine), (std::vector<int>{ID_ZOOM_IN, ID_MEASURE_LINE}));
    EXPECT_FALSE(mine->isHidden());

    // Ten user toolbars at most; names may be left to the dialog.
    RunDialog<CCustomizeDlg>(ID_VIEW_CUSTOMIZE, [&](CCustomizeDlg& dialog) {
        for (int more = 0; more < 9; ++more) {
            Click(dialog, "NewToolbar");
        }
        EXPECT_FALSE(dialog.findChild<QPushButton*>("NewToolbar")->isEnabled());
        EXPECT_EQ(dialog.findChild<QListWidget*>("ToolbarList")->item(10)->text(),
                  "User Toolbar 10");
        // Deleting the chosen toolbar makes room again.
        Click(dialog, "DeleteToolbar");
        EXPECT_TRUE(dialog.findChild<QPushButton*>("NewToolbar")->isEnabled());
        ClickOk(dialog);
    });
    EXPECT_EQ(frame->customizer()->toolBars().size(), 10);
    EXPECT_EQ(frame->customizer()->toolBar(10), nullptr);
}

TEST_F(FrameCustomizationTest, ResetRestoresTheDefaults) {
    Build();
    RunDialog<CCustomizeDlg>(ID_VIEW_CUSTOMIZE, [&](CCustomizeDlg& dialog) {
        auto* buttons = dialog.findChild<QListWidget*>("ButtonList");
        buttons->setCurrentItem(ItemWithText(*buttons, Text(ID_UNDO)));
        Click(dialog, "RemoveButton");
        ItemWithText(*buttons, Text(ID_AREA_EDGE))->setCheckState(Qt::Unchecked);
        Click(dialog, "NewToolbar");
        AddCommand(dialog, ID_ZOOM_OUT);
        dialog.findChild<QListWidget*>("ToolbarList")->item(0)->setCheckState(Qt::Unchecked);
        dialog.findChild<QCheckBox*>("Pane0")->setChecked(false);
        ClickOk(dialog);
    });
    EXPECT_TRUE(frame->toolBar()->isHidden());
    EXPECT_TRUE(frame->calibrationPane()->isHidden());
    ASSERT_NE(frame->customizer()->toolBar(1), nullptr);
    EXPECT_NE(Ids(frame->toolBar()), DefaultIds());

    RunDialog<CCustomizeDlg>(ID_VIEW_CUSTOMIZE, [&](CCustomizeDlg& dialog) {
        Click(dialog, "ResetButton");
        EXPECT_TRUE(dialog.findChild<QCheckBox*>("Pane0")->isChecked());
        EXPECT_EQ(dialog.findChild<QListWidget*>("ToolbarList")->count(), 1);
        ClickOk(dialog);
    });
    EXPECT_EQ(Ids(frame->toolBar()), DefaultIds());
    EXPECT_FALSE(frame->toolBar()->isHidden());
    EXPECT_FALSE(frame->calibrationPane()->isHidden());
    EXPECT_EQ(frame->customizer()->toolBars().size(), 1);
    EXPECT_TRUE(frame->customizer()->layout().IsDefault());
    Restart();
    EXPECT_EQ(Ids(frame->toolBar()), DefaultIds());
    EXPECT_EQ(frame->customizer()->toolBars().size(), 1);
}

TEST_F(FrameCustomizationTest, AltDragMovesAndRemovesButtons) {
    Build();
    CChildFrame* picture = frame->OpenDocument(DocKind::StillImage, home.filePath("a.bmp"));
    QToolBar* bar = frame->toolBar();
    QWidget* excel = bar->widgetForAction(Action(ID_EXPORT_EXCEL));

    // Onto the left half of another button: it goes before that one.
    AltDrag(bar->widgetForAction(Action(ID_ZOOM_OUT)), excel->mapToGlobal(QPoint(1, 5)));
    std::vector<int> expected = DefaultIds();
    std::erase(expected, ID_ZOOM_OUT);
    expected.insert(std::find(expected.begin(), expected.end(), ID_EXPORT_EXCEL), ID_ZOOM_OUT);
    EXPECT_EQ(Ids(bar), expected);
    // Dragging ran no command; a plain click still does.
    EXPECT_TRUE(DocumentOf(picture).commands.received.empty());
    QTest::mouseClick(bar->widgetForAction(Action(ID_ZOOM_OUT)), Qt::LeftButton);
    EXPECT_EQ(DocumentOf(picture).commands.received, std::vector<int>{ID_ZOOM_OUT});

    // Into a user toolbar, then off every toolbar.
    CToolbarLayout layout = frame->customizer()->layout();
    const int slot = *layout.AddUserToolbar(QStringLiteral("Mine"));
    layout.AddButton(slot, ID_ZOOM_NORMAL);
    frame->customizer()->SetLayout(layout);
    QApplication::processEvents();
    QToolBar* mine = frame->customizer()->toolBar(slot);
    QWidget* normal = mine->widgetForAction(Action(ID_ZOOM_NORMAL));
    AltDrag(bar->widgetForAction(Action(ID_ZOOM_IN)),
            normal->mapToGlobal(QPoint(normal->width() - 1, 5)));
    EXPECT_EQ(Ids(mine), (std::vector<int>{ID_ZOOM_NORMAL, ID_ZOOM_IN}));
    EXPECT_EQ(bar->widgetForAction(Action(ID_ZOOM_IN)), nullptr);

    const QWidget* area = frame->mdiArea();
    AltDrag(mine->widgetForAction(Action(ID_ZOOM_NORMAL)),
            area->mapToGlobal(area->rect().center()));
    EXPECT_EQ(Ids(mine), (std::vector<int>{ID_ZOOM_IN}));

    Restart();
    EXPECT_EQ(Ids(frame->customizer()->toolBar(slot)), (std::vector<int>{ID_ZOOM_IN}));
    EXPECT_EQ(frame->toolBar()->actions().size(), static_cast<int>(expected.size()) - 1);
}
