#pragma once

#include <functional>

class QWidget;

// The two image buttons of a selective spreadsheet export, at (10, 10) and
// (10, 70), 50 × 50, on a view (on its viewport when it scrolls): the first
// picks the newest measurement, the second writes the report of the picked
// ones and then removes both buttons. GUI thread only.

// Shows the buttons on `view`, replacing any it shows already; nothing
// without a view.
void ShowSelectionButtons(QWidget* view, std::function<void()> pickNewest,
                          std::function<void()> exportPicked);
// Removes them; nothing happens when there are none. Safe from the second
// button's own click.
void RemoveSelectionButtons(QWidget* view);
bool HasSelectionButtons(const QWidget* view);
