#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

// One place on a toolbar: a command id (0 is a separator), the user image it
// shows instead of the command's own picture (-1: its own) and whether the
// user hid it.
struct ToolbarLayoutButton {
    int id = 0;
    int image = -1;
    bool hidden = false;
    bool operator==(const ToolbarLayoutButton&) const = default;
};

// A toolbar: slot 0 is the standard toolbar, 1..10 the user toolbars.
// The standard toolbar's name is the program's own and is not kept here.
struct ToolbarLayoutBar {
    int slot = 0;
    QString name;
    std::vector<ToolbarLayoutButton> buttons;
    bool operator==(const ToolbarLayoutBar&) const = default;
};

// Which buttons the toolbars hold, in which order, and which user toolbars
// exist; written to and read back from the settings. Indexes count every
// place of a bar, hidden ones and separators included. Every change that
// does not fit (unknown slot or index, a command twice on one bar, an
// eleventh user toolbar) is refused and changes nothing.
class CToolbarLayout {
public:
    static constexpr int kMaxUserToolbars = 10;
    static constexpr int kMaxNameLength = 64;
    static constexpr int kMaxButtonsPerBar = 256;
    static constexpr int kMaxImageIndex = 4095;

    // `standardIds`: the standard toolbar's commands in order, 0 for separators.
    explicit CToolbarLayout(std::vector<int> standardIds);

    const std::vector<ToolbarLayoutBar>& bars() const { return m_bars; }
    const ToolbarLayoutBar* FindBar(int slot) const;
    int UserToolbarCount() const { return static_cast<int>(m_bars.size()) - 1; }

    // A new, empty user toolbar in the lowest free slot; its name is trimmed
    // and cut to kMaxNameLength. nullopt when ten exist or the name is blank.
    std::optional<int> AddUserToolbar(const QString& name);
    bool RenameUserToolbar(int slot, const QString& name);
    bool RemoveUserToolbar(int slot);

    // Appends a command to a bar.
    bool AddButton(int slot, int id, int image = -1);
    bool RemoveButton(int slot, int index);
    bool SetButtonHidden(int slot, int index, bool hidden);
    // Moves a place to `toIndex` of the target bar, counted after it left its
    // old place (clamped to the end).
    bool MoveButton(int fromSlot, int fromIndex, int toSlot, int toIndex);

    // The places a bar shows: hidden ones left out, and no separator at
    // either end or next to another. Each with its index in the bar.
    std::vector<std::pair<int, ToolbarLayoutButton>> ShownButtons(int slot) const;

    // Back to the standard toolbar as built, without user toolbars.
    void Reset();
    bool IsDefault() const;

    // Compact JSON of the whole layout.
    QByteArray Serialize() const;
    // Replaces the layout with saved data. Data that is malformed, names a
    // command `isCommand` does not know or breaks a limit is refused whole:
    // false, and the layout stays as it was.
    bool Restore(const QByteArray& data, const std::function<bool(int id)>& isCommand);

    bool operator==(const CToolbarLayout& other) const { return m_bars == other.m_bars; }

private:
    ToolbarLayoutBar* bar(int slot);
    static bool HasCommand(const ToolbarLayoutBar& bar, int id);
    static QString CleanName(const QString& name);

    std::vector<int> m_standardIds;
    std::vector<ToolbarLayoutBar> m_bars; // standard first, then user toolbars by slot
};
