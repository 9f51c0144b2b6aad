#include "framework/ui/PropertyGrid.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <vector>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {

class PropertyGridTest : public ::testing::Test {
protected:
    PropertyGridTest() {
        grid.resize(400, 300);
        QObject::connect(&grid, &CPropertyGrid::propertyChanged, &grid,
                         [this](CPropertyGridItem* item) {
                             changed.push_back({item, item->value()});
                         });
    }

    QTreeWidget* Tree() { return grid.findChild<QTreeWidget*>(); }

    // Clicks the value cell of `item` the way a user does and returns the
    // editor that opens there (null when none does).
    QWidget* ClickValue(CPropertyGridItem* item) {
        grid.show();
        QTreeWidget* tree = Tree();
        tree->scrollToItem(item);
        const QRect row = tree->visualItemRect(item);
        const int x = tree->header()->sectionViewportPosition(1) + 10;
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(x, row.center().y()));
        return tree->indexWidget(tree->indexFromItem(item, 1));
    }

    static QAction* Action(CPropertyGrid& grid, CPropertyGridItem* item, const char* name) {
        auto* button =
            qobject_cast<QToolButton*>(grid.findChild<QTreeWidget*>()->itemWidget(item, 1));
        return button != nullptr ? button->findChild<QAction*>(QLatin1String(name)) : nullptr;
    }

    struct Change {
        CPropertyGridItem* item;
        QString value;
    };
    CPropertyGrid grid;
    std::vector<Change> changed;
};

} // namespace

TEST_F(PropertyGridTest, GroupsHoldTheirItemsAndItemsAreFoundByTheirData) {
    CPropertyGridItem* calibration = grid.addGroup("Calibration");
    CPropertyGridItem* name = grid.addText(calibration, "Name", "");
    CPropertyGridItem* unit =
        grid.addList(calibration, "Unit", "mm", {"nm", "um", "mm", "cm", "mil"}, false);
    unit->setItemData(102);
    CPropertyGridItem* loose = grid.addText(nullptr, "Image width", "1280");
    loose->setItemData(7);
    CPropertyGridItem* color =
        grid.addColor(grid.addGroup("Tool Color"), "Tool Color", MakeColorref(210, 192, 254));
    color->setItemData(200);

    ASSERT_EQ(grid.topLevelCount(), 3);
    EXPECT_EQ(grid.topLevelItem(0), calibration);
    EXPECT_EQ(calibration->childCount(), 2);
    EXPECT_EQ(calibration->child(0), name);
    EXPECT_TRUE(calibration->isExpanded());
    EXPECT_EQ(grid.findItem(102), unit);
    EXPECT_EQ(grid.findItem(7), loose);
    EXPECT_EQ(grid.findItem(200), color);
    EXPECT_EQ(grid.findItem(999), nullptr);
    EXPECT_EQ(unit->value(), "mm");
    EXPECT_EQ(color->value(), "210, 192, 254");
    EXPECT_EQ(color->color(), MakeColorref(210, 192, 254));

    // Programmatic changes are not user changes.
    unit->setValue("um");
    color->setColor(255);
    EXPECT_EQ(unit->value(), "um");
    EXPECT_EQ(color->value(), "255, 0, 0");
    EXPECT_TRUE(changed.empty());

    grid.removeAll();
    EXPECT_EQ(grid.topLevelCount(), 0);
    EXPECT_EQ(grid.findItem(102), nullptr);
}

TEST_F(PropertyGridTest, PickingFromAFixedListNotifiesOnceWithTheItem) {
    CPropertyGridItem* width = grid.addList(grid.addGroup("Line Width"), "Line Width", "2",
                                            {"1", "2", "3", "4", "5"}, false);
    width->setItemData(202);

    auto* combo = qobject_cast<QComboBox*>(ClickValue(width));
    ASSERT_NE(combo, nullptr);
    EXPECT_FALSE(combo->isEditable());
    EXPECT_EQ(combo->count(), 5);
    EXPECT_EQ(combo->currentText(), "2");
    QTest::keyClick(combo, Qt::Key_Down);

    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].item, width);
    EXPECT_EQ(changed[0].value, "3");
    EXPECT_EQ(width->value(), "3");

    // Choosing the value already shown is no change.
    combo = qobject_cast<QComboBox*>(ClickValue(width));
    ASSERT_NE(combo, nullptr);
    emit combo->activated(combo->currentIndex());
    EXPECT_EQ(changed.size(), 1u);
}

TEST_F(PropertyGridTest, TypedValuesCommitOnEnterAndReadOnlyTextOpensNoEditor) {
    CPropertyGridItem* group = grid.addGroup("");
    CPropertyGridItem* title = grid.addText(group, "Name", "");
    CPropertyGridItem* length =
        grid.addList(group, "Length", "1.0", {"1.0", "2.0", "3.0", "4.0", "5.0"}, true);
    CPropertyGridItem* fixed = grid.addText(group, "Image width", "640");
    fixed->setAllowEdit(false);

    auto* edit = qobject_cast<QLineEdit*>(ClickValue(title));
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, "CAL1");
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents(); // the editor commits through a queued call
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].item, title);
    EXPECT_EQ(title->value(), "CAL1");

    auto* combo = qobject_cast<QComboBox*>(ClickValue(length));
    ASSERT_NE(combo, nullptr);
    ASSERT_TRUE(combo->isEditable());
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, "0.25");
    QTest::keyClick(combo, Qt::Key_Return);
    QCoreApplication::processEvents();
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(changed[1].item, length);
    EXPECT_EQ(length->value(), "0.25");
    // Return also ends the editing.
    QTreeWidget* tree = Tree();
    EXPECT_EQ(tree->indexWidget(tree->indexFromItem(length, 1)), nullptr);
    EXPECT_EQ(tree->indexWidget(tree->indexFromItem(title, 1)), nullptr);

    EXPECT_EQ(ClickValue(fixed), nullptr);
    EXPECT_EQ(fixed->value(), "640");
    EXPECT_EQ(changed.size(), 2u);
}

TEST_F(PropertyGridTest, ColorItemOffersTheDialogAndTheAutomaticColor) {
    CPropertyGridItem* color = grid.addColor(nullptr, "Text Color", MakeColorref(210, 192, 254));
    std::optional<COLORREF> answer = MakeColorref(0, 128, 255);
    COLORREF offered = 0;
    grid.setColorChooser([&](COLORREF current, QWidget*) {
        offered = current;
        return answer;
    });

    QAction* automatic = Action(grid, color, "automaticColor");
    QAction* other = Action(grid, color, "otherColor");
    ASSERT_NE(automatic, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(automatic->isVisible()); // no automatic colour offered yet
    EXPECT_EQ(other->text(), "Other...");

    other->trigger();
    EXPECT_EQ(offered, MakeColorref(210, 192, 254));
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].item, color);
    EXPECT_EQ(color->color(), MakeColorref(0, 128, 255));

    answer.reset(); // the user cancels the dialog
    other->trigger();
    EXPECT_EQ(changed.size(), 1u);
    EXPECT_EQ(color->color(), MakeColorref(0, 128, 255));

    color->setAutomaticColor(MakeColorref(240, 240, 240), "Default");
    EXPECT_TRUE(automatic->isVisible());
    EXPECT_EQ(automatic->text(), "Default");
    automatic->trigger();
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(color->color(), MakeColorref(240, 240, 240));
}

TEST_F(PropertyGridTest, TheCurrentItemsDescriptionIsShownBelow) {
    CPropertyGridItem* group = grid.addGroup("Line Width");
    CPropertyGridItem* width = grid.addList(group, "Line Width", "2", {"1", "2"}, false);
    width->setDescription("Select <b>one</b>");
    auto* description = grid.findChild<QLabel*>("propertyDescription");
    ASSERT_NE(description, nullptr);

    Tree()->setCurrentItem(width);
    EXPECT_TRUE(description->text().contains("Line Width"));
    // Descriptions are plain text, even when they look like markup.
    EXPECT_TRUE(description->text().contains("Select &lt;b&gt;one&lt;/b&gt;"));

    Tree()->setCurrentItem(group);
    EXPECT_FALSE(description->text().contains("Select"));
}
