#pragma once

// Commands are the numbers of the toolbar and menu tables (core/CommandIds.h).
// The main frame routes a command to the active view, then its document, then
// the child frame, then the main frame itself; the first target that handles
// it wins. A command nobody handles is disabled.

// The state an update handler gives a command's toolbar button and menu item.
class CCmdUI {
public:
    explicit CCmdUI(int id)
        : m_id(id) {}

    int id() const { return m_id; }

    void Enable(bool enabled = true) { m_enabled = enabled; }
    // Shows the item checked (a pressed toolbar button); makes it checkable.
    void SetCheck(bool checked = true) {
        m_checkable = true;
        m_checked = checked;
    }

    bool enabled() const { return m_enabled; }
    bool checked() const { return m_checked; }
    bool checkable() const { return m_checkable; }

private:
    int m_id;
    bool m_enabled = true;
    bool m_checked = false;
    bool m_checkable = false;
};

// Implemented by views, documents and frames. A target that handles a command
// answers true from both functions for it: OnUpdateCommand may leave the
// CCmdUI as it is (enabled, unchecked) or change it. GUI thread only.
class CCommandTarget {
public:
    virtual ~CCommandTarget() = default;

    // Carries the command out; false when this target does not handle it.
    virtual bool OnCommand(int id) {
        (void)id;
        return false;
    }

    // Sets the command's state; false when this target does not handle it.
    virtual bool OnUpdateCommand(int id, CCmdUI& cmdUI) {
        (void)id;
        (void)cmdUI;
        return false;
    }
};
