#pragma once

#include "framework/CommandTarget.h"

#include <optional>

#include <QString>

// How the tool commands arm and disarm the tools of a document. The documents
// keep one of these records, forward the tool commands and their update
// requests to it, and carry out the outcome (the hint, the crosshair, a flip,
// a repaint). Plain data, GUI thread only.

// What a tool command asks its document to do besides changing the modes.
struct CToolCommandOutcome {
    bool handled = false;
    // The hint to show in status pane 1 (in red); empty when the command turned
    // its tool off, so that no prompt is left for a tool that no longer
    // listens; none when the command leaves the prompt alone.
    std::optional<QString> hint;
    // Turn the crosshair on or off: the image view's own flag, or the
    // process-wide live crosshair.
    std::optional<bool> crosshair;
    // Image document: start the adjustment with this operation on the whole
    // picture at once (the flips); 0 for none.
    int startOperation = 0;
    // Image document: repaint the view without erasing.
    bool repaint = false;
    // Live document: clear the live selection rectangle before anything else.
    bool clearLiveSelection = false;
    // Live document: toggle the picture's half-turn or mirror flag.
    bool toggleHalfTurn = false;
    bool toggleMirror = false;
};

// The tools of an image document: a measuring mode (0 or a tool's mode) and an
// area mode (0 or 2..8). A new document starts with both 0.
struct CImageToolModes {
    int measureMode = 0;
    int areaMode = 0;

    // Measuring tools toggle and cancel an armed area tool; area tools arm
    // without toggling and disarm the measuring tool; flips leave the modes.
    CToolCommandOutcome OnCommand(int commandId);
    // Measuring tools other than the crosshair are checked exactly while their
    // mode is armed; the crosshair and area tools are handled but never
    // checked. False for commands that are not tools.
    bool OnUpdateCommand(int commandId, CCmdUI& cmdUI) const;
    // Undo and the zoom commands disarm everything.
    void Clear() { *this = CImageToolModes{}; }
};

// The tools of the live document: a measuring mode (a tool's mode, or 132 for
// the area selection) and an adjustment code (100..107 for the area tools,
// 108 with the automatic circle, 110 with the automatic line).
struct CLiveToolModes {
    int measureMode = 0;
    int adjustmentCode = 0;

    // Every tool toggles: picking it again disarms it. Measuring tools leave
    // the adjustment code as it is, except the two automatic tools, which set
    // and clear their own. The flips toggle the picture's flags.
    CToolCommandOutcome OnCommand(int commandId);
    // Measuring tools are checked while their mode is armed, area tools while
    // their adjustment code is. False for commands that are not tools.
    bool OnUpdateCommand(int commandId, CCmdUI& cmdUI) const;
};
