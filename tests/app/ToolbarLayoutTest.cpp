#include "core/ToolbarLayout.h"

#include <gtest/gtest.h>

namespace {

// A short standard toolbar: two groups divided by a separator.
const std::vector<int> kStandard = {10, 0, 20, 30, 0, 40};

bool AnyCommand(int id) {
    return id < 1000;
}

std::vector<int> ShownIds(const CToolbarLayout& layout, int slot) {
    std::vector<int> ids;
    for (const auto& [index, button] : layout.ShownButtons(slot)) {
        ids.push_back(button.id);
    }
    return ids;
}

} // namespace

TEST(ToolbarLayout, HidingKeepsThePlaceAndCollapsesSeparators) {
    CToolbarLayout layout(kStandard);
    EXPECT_EQ(ShownIds(layout, 0), kStandard);
    EXPECT_FALSE(layout.SetButtonHidden(0, 1, true)); // separators are not hidden
    EXPECT_FALSE(layout.SetButtonHidden(0, 6, true));

    // A group emptied by hiding takes its separator with it.
    ASSERT_TRUE(layout.SetButtonHidden(0, 0, true));
    EXPECT_EQ(ShownIds(layout, 0), (std::vector<int>{20, 30, 0, 40}));
    ASSERT_TRUE(layout.SetButtonHidden(0, 2, true));
    ASSERT_TRUE(layout.SetButtonHidden(0, 3, true));
    EXPECT_EQ(ShownIds(layout, 0), (std::vector<int>{40}));
    // Shown places carry their index in the whole bar.
    EXPECT_EQ(layout.ShownButtons(0)[0].first, 5);

    ASSERT_TRUE(layout.SetButtonHidden(0, 3, false));
    EXPECT_EQ(ShownIds(layout, 0), (std::vector<int>{30, 0, 40}));
    EXPECT_FALSE(layout.IsDefault());
    layout.Reset();
    EXPECT_TRUE(layout.IsDefault());
}

TEST(ToolbarLayout, UserToolbarsTakeTheLowestFreeSlotUpToTen) {
    CToolbarLayout layout(kStandard);
    EXPECT_EQ(layout.AddUserToolbar(QStringLiteral("   ")), std::nullopt);
    for (int slot = 1; slot <= 10; ++slot) {
        EXPECT_EQ(layout.AddUserToolbar(QStringLiteral(" Tools %1 ").arg(slot)), slot);
    }
    EXPECT_EQ(layout.AddUserToolbar(QStringLiteral("Eleven")), std::nullopt);
    EXPECT_EQ(layout.FindBar(3)->name, "Tools 3");

    ASSERT_TRUE(layout.RemoveUserToolbar(4));
    EXPECT_FALSE(layout.RemoveUserToolbar(4));
    EXPECT_FALSE(layout.RemoveUserToolbar(0)); // the standard toolbar stays
    EXPECT_EQ(layout.AddUserToolbar(QString(100, QLatin1Char('x'))), 4);
    EXPECT_EQ(layout.FindBar(4)->name.size(), CToolbarLayout::kMaxNameLength);
    // Bars stay in slot order.
    for (std::size_t i = 0; i < layout.bars().size(); ++i) {
        EXPECT_EQ(layout.bars()[i].slot, static_cast<int>(i));
    }
    EXPECT_FALSE(layout.RenameUserToolbar(0, QStringLiteral("Mine")));
    EXPECT_FALSE(layout.RenameUserToolbar(2, QStringLiteral(" ")));
    EXPECT_TRUE(layout.RenameUserToolbar(2, QStringLiteral("Mine")));
    EXPECT_EQ(layout.FindBar(2)->name, "Mine");

    layout.Reset();
    EXPECT_EQ(layout.UserToolbarCount(), 0);
}

TEST(ToolbarLayout, ButtonsAreAddedAndMovedWithoutDuplicatesOnABar) {
    CToolbarLayout layout(kStandard);
    const int slot = *layout.AddUserToolbar(QStringLiteral("Mine"));
    EXPECT_TRUE(layout.AddButton(slot, 20));
    EXPECT_TRUE(layout.AddButton(slot, 40, 3));
    EXPECT_FALSE(layout.AddButton(slot, 20)); // already there
    EXPECT_FALSE(layout.AddButton(slot, 0));
    EXPECT_FALSE(layout.AddButton(slot, 50, -2));
    EXPECT_FALSE(layout.AddButton(7, 50));
    EXPECT_EQ(layout.FindBar(slot)->buttons[1], (ToolbarLayoutButton{40, 3, false}));

    // Within a bar: the target index counts after the place left.
    ASSERT_TRUE(layout.MoveButton(0, 0, 0, 3));
    EXPECT_EQ(ShownIds(layout, 0), (std::vector<int>{20, 30, 10, 0, 40}));
    ASSERT_TRUE(layout.MoveButton(0, 3, 0, 99)); // past the end: last
    EXPECT_EQ(ShownIds(layout, 0), (std::vector<int>{20, 30, 0, 40, 10}));

    // Between bars: refused while the target already holds the command.
    EXPECT_FALSE(layout.MoveButton(0, 1, slot, 0));
    ASSERT_TRUE(layout.MoveButton(0, 2, slot, 0));
    EXPECT_EQ(ShownIds(layout, slot), (std::vector<int>{30, 20, 40}));
    EXPECT_EQ(ShownIds(layout, 0), (std::vector<int>{20, 0, 40, 10}));
    EXPECT_FALSE(layout.MoveButton(slot, 3, 0, 0));
    EXPECT_FALSE(layout.MoveButton(0, 0, 0, -1));

    ASSERT_TRUE(layout.RemoveButton(slot, 0));
    EXPECT_FALSE(layout.RemoveButton(slot, 2));
    EXPECT_EQ(ShownIds(layout, slot), (std::vector<int>{20, 40}));
}

TEST(ToolbarLayout, SavedLayoutComesBackWhole) {
    CToolbarLayout layout(kStandard);
    layout.SetButtonHidden(0, 2, true);
    const int first = *layout.AddUserToolbar(QString::fromUtf8("Schnell \"ä\""));
    const int second = *layout.AddUserToolbar(QStringLiteral("Empty"));
    layout.AddButton(first, 30, 2);
    layout.AddButton(first, 10);
    layout.RemoveUserToolbar(first);
    const int third = *layout.AddUserToolbar(QStringLiteral("Again"));
    layout.AddButton(third, 40);
    (void)second;

    CToolbarLayout restored(kStandard);
    ASSERT_TRUE(restored.Restore(layout.Serialize(), AnyCommand));
    EXPECT_EQ(restored, layout);
}

TEST(ToolbarLayout, ANameIsCleanedOnceAndThenSurvivesEverySave) {
    const QString x63(63, QLatin1Char('x'));
    // (name given, name kept)
    const struct {
        QString given;
        QString kept;
    } cases[] = {
        {QStringLiteral("  Tools \t"), QStringLiteral("Tools")},
        // The cut at 64 leaves whitespace or half of a surrogate pair last.
        {x63 + QStringLiteral(" y"), x63},
        {x63 + QString::fromUtf8("\xF0\x9F\x94\xAC"), x63},
        {QString(62, QLatin1Char('x')) + QStringLiteral(" ") +
             QString::fromUtf8("\xF0\x9F\x94\xAC"),
         QString(62, QLatin1Char('x'))},
        // A lone surrogate becomes what UTF-8 makes of it.
        {QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b"), QStringLiteral("a?b")},
    };
    for (const auto& c : cases) {
        CToolbarLayout layout(kStandard);
        const int slot = *layout.AddUserToolbar(c.given);
        EXPECT_EQ(layout.FindBar(slot)->name, c.kept) << c.given.toStdString();
        CToolbarLayout restored(kStandard);
        ASSERT_TRUE(restored.Restore(layout.Serialize(), AnyCommand));
        EXPECT_EQ(restored, layout) << c.given.toStdString();
        ASSERT_TRUE(layout.RenameUserToolbar(slot, c.kept));
        EXPECT_EQ(layout.FindBar(slot)->name, c.kept) << c.given.toStdString();
    }
}

TEST(ToolbarLayout, DamagedOrForeignDataIsRefusedWhole) {
    CToolbarLayout layout(kStandard);
    layout.SetButtonHidden(0, 0, true);
    const CToolbarLayout before = layout;
    const auto refused = [&](const char* json) {
        const bool accepted = layout.Restore(QByteArray(json), AnyCommand);
        EXPECT_EQ(layout, before) << json;
        return !accepted;
    };
    EXPECT_TRUE(refused(""));
    EXPECT_TRUE(refused("[1,2]"));
    EXPECT_TRUE(refused("{\"version\":2,\"toolbars\":[{\"slot\":0,\"buttons\":[]}]}"));
    EXPECT_TRUE(refused("{\"version\":1,\"toolbars\":[]}"));
    // The standard toolbar must come first, slots once each and in order.
    EXPECT_TRUE(
        refused("{\"version\":1,\"toolbars\":[{\"slot\":1,\"name\":\"a\",\"buttons\":[]}]}"));
    EXPECT_TRUE(refused("{\"version\":1,\"toolbars\":[{\"slot\":0,\"buttons\":[]},"
                        "{\"slot\":2,\"name\":\"a\",\"buttons\":[]},"
                        "{\"slot\":2,\"name\":\"b\",\"buttons\":[]}]}"));
    EXPECT_TRUE(refused("{\"version\":1,\"toolbars\":[{\"slot\":0,\"buttons\":[]},"
                        "{\"slot\":11,\"name\":\"a\",\"buttons\":[]}]}"));
    EXPECT_TRUE(refused("{\"version\":1,\"toolbars\":[{\"slot\":0,\"buttons\":[]},"
                        "{\"slot\":1,\"name\":\" \",\"buttons\":[]}]}"));
    // Unknown commands, fractions, duplicates, bad images and hidden separators.
    EXPECT_TRUE(refused("{\"version\":1,\"toolbars\":[{\"slot\":0,\"buttons\":[{\"id\":5000}]}]}"));
    EXPECT_TRUE(refused("{\"version\":1,\"toolbars\":[{\"slot\":0,\"buttons\":[{\"id\":10.5}]}]}"));
    EXPECT_TRUE(refused("{\"version\":1,\"toolbars\":[{\"slot\":0,\"buttons\":"
                        "[{\"id\":10},{\"id\":10}]}]}"));
    EXPECT_TRUE(refused("{\"version\":1,\"toolbars\":[{\"slot\":0,\"buttons\":"
                        "[{\"id\":10,\"image\":1e12}]}]}"));
    EXPECT_TRUE(refused("{\"version\":1,\"toolbars\":[{\"slot\":0,\"buttons\":"
                        "[{\"id\":0,\"hidden\":true}]}]}"));
    EXPECT_TRUE(refused("{\"version\":1,\"toolbars\":[{\"slot\":0,\"buttons\":"
                        "[{\"id\":10,\"hidden\":1}]}]}"));

    // Two separators in a row survive as saved; only showing collapses them.
    EXPECT_TRUE(layout.Restore("{\"version\":1,\"toolbars\":[{\"slot\":0,\"buttons\":"
                               "[{\"id\":0},{\"id\":0},{\"id\":10}]}]}",
                               AnyCommand));
    EXPECT_EQ(layout.FindBar(0)->buttons.size(), 3u);
    EXPECT_EQ(ShownIds(layout, 0), (std::vector<int>{10}));
}
