#pragma once

#include <QSize>
#include <QString>

// The zoom of a picture view: 16 steps from 0.3 to 1.8, or fitted to the
// window, and the two flags that enable the zoom commands.
struct CZoomState {
    double zoom = 1.0;
    bool zoomInAllowed = true;
    bool zoomOutAllowed = true;
    // Fitted to the window: the view fits again when its size changes.
    bool fitted = false;

    // To the next step up or down (from a fitted zoom, the nearest step on
    // that side); at the last step the command is disabled and further calls
    // change nothing. Both end fitting, as Normal does.
    void ZoomIn();
    void ZoomOut();
    // 1.0 with both commands enabled.
    void Normal();
    // The largest zoom up to 1.8 at which a picture of `picture` pixels fits
    // whole into `area`, which may be below the smallest step; 1.0 for an
    // empty picture or area.
    void Fit(QSize picture, QSize area);
    // The status bar text, "150%".
    QString StatusText() const;
};

// The scale of an exported picture by the export size option: 1 full size,
// 2 half, 3 a third (0.33), anything else the view's zoom.
double ExportScale(int sizeOption, double zoom);
// A length of the exported picture: scale × length + 0.5, truncated.
int ScaledLength(double scale, int length);
