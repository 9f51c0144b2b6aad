#pragma once

#include <QString>

// The zoom of a still-image view: 16 steps from 0.3 to 1.8, and the two flags
// that enable the zoom commands.
struct CZoomState {
    double zoom = 1.0;
    bool zoomInAllowed = true;
    bool zoomOutAllowed = true;

    // One step up or down; at the last step the command is disabled and
    // further calls change nothing.
    void ZoomIn();
    void ZoomOut();
    // 1.0 with both commands enabled.
    void Normal();
    // The status bar text, "150%".
    QString StatusText() const;
};

// The scale of an exported picture by the export size option: 1 full size,
// 2 half, 3 a third (0.33), anything else the view's zoom.
double ExportScale(int sizeOption, double zoom);
// A length of the exported picture: scale × length + 0.5, truncated.
int ScaledLength(double scale, int length);
