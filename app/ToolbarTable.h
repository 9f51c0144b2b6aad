#pragma once

#include <span>

#include <QString>

// The 43 buttons of the toolbar in their order; id 0 is a separator. `icon`
// names the SVG in the resource folder ":/icons/<icon>.svg".
struct ToolbarButton {
    int id;
    const char* icon;
};

std::span<const ToolbarButton> ToolbarButtons();

enum class ToolbarText { Tooltip, StatusHelp };

// The tooltip or status-line help of a command, looked up in the language
// file each time (limit 128). Commands outside the toolbar have none (empty).
// Both texts share one key; only the two-point distance tool has its own
// shorter tooltip default.
QString ToolbarHelpText(int id, ToolbarText kind);
