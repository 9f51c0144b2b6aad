#pragma once

#include <QString>

// The texts the window framework shows besides the language files: pane
// captions and the toolbar name, in Simplified Chinese, Traditional Chinese or
// English after the language the program started with.
enum ResourceStringId : int {
    IDS_TOOLBAR_STANDARD = 124,
    IDS_CUSTOMIZE = 126,
    IDS_WINDOW_MANAGER = 131,
    IDS_RESULTS_PANE = 155,
    IDS_CALIBRATION_PANE = 156,
    IDS_BROWSER_PANE = 158,
};

// The text for the current language identifiers (g_parameters); empty for an
// unknown id.
QString LoadResourceString(int id);
