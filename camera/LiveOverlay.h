#pragma once

#include "camera/VideoShape.h"
#include "framework/Colorref.h"
#include "shapes/ShapeDrawing.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include <QPoint>
#include <QRect>
#include <QString>

// What the GUI thread decides and the streaming thread paints over every
// frame. The GUI thread owns every field and changes it only through the
// functions below, each of which replaces its part under one short lock; the
// streaming thread takes a consistent copy of everything once per frame
// (TakeOverlaySnapshot), so it never reads a list while the GUI replaces it.
// Live shapes are shared as an immutable list: publishing swaps one pointer.

// How the frame is shown: the zoom, the view's scroll position in zoomed
// pixels, the crosshair and the recording notice.
struct CLiveViewParams {
    double zoom = 1.0;
    int scrollX = 0;
    int scrollY = 0;
    bool crosshair = false;
    QPointF crosshairPosition{80, 80}; // frame pixels
    QString recordingNotice;           // empty while not recording
    // The live area adjustment code (100-107), 0 for none,
    // and its rectangle in frame pixels counted from the top.
    int adjustCode = 0;
    QRect adjustRect;
};

// The shape being drawn: its live kind (0: none), its points in surface
// pixels, its measured values in frame pixels and the style it began with.
struct CInProgressShape {
    int kind = 0;
    std::vector<QPoint> points;
    std::array<double, 3> measured{};
    COLORREF lineColor = 0x0000FF;
    COLORREF textColor = 0x00FF00;
    int lineWidth = 1;
};

using CLiveShapeSnapshot = std::vector<CVideoShap>;

// How the overlay draws: the labels' conversion, unit, decimals and text
// height, the crosshair's colour and the scale bar's style and setting.
// Built on the GUI thread from the current calibration and settings and
// handed over as an immutable copy, so the streaming thread never reads
// those records while the GUI changes them.
struct CLiveDrawingStyle {
    CLabelStyle labels;
    COLORREF lineColor = 255;
    COLORREF textColor = 255;
    int lineWidth = 1;
    bool scaleBar = false;

    friend bool operator==(const CLiveDrawingStyle&, const CLiveDrawingStyle&) = default;
};

// GUI thread: the style of the current calibration and settings.
CLiveDrawingStyle CurrentLiveDrawingStyle();

// One frame's worth of overlay state. `shapesVersion` changes whenever the
// shape list is published again, so a painter can keep what it built from
// the previous list.
struct CLiveOverlaySnapshot {
    std::shared_ptr<const CLiveShapeSnapshot> shapes;
    std::uint64_t shapesVersion = 0;
    CInProgressShape inProgress;
    CLiveViewParams view;
    std::shared_ptr<const CLiveDrawingStyle> style;
};

struct CLiveOverlayState {
    mutable std::mutex mutex;
    std::shared_ptr<const CLiveShapeSnapshot> shapes = std::make_shared<CLiveShapeSnapshot>();
    std::uint64_t shapesVersion = 0;
    CInProgressShape inProgress;
    CLiveViewParams view;
    std::shared_ptr<const CLiveDrawingStyle> style = std::make_shared<CLiveDrawingStyle>();
};

extern CLiveOverlayState g_liveOverlay;

// GUI thread: publishes a copy of g_liveShapes for the painter. Call after
// every change of the list (add, remove, clear, mark).
void PublishLiveShapes();
// GUI thread: publishes CurrentLiveDrawingStyle() for the painter when it
// changed. The live view calls it whenever it takes a painted surface, so a
// change of the calibration, the unit or the settings shows from the next
// frame on, whichever command made it.
void PublishLiveDrawingStyle();
// GUI thread: replaces the shape being drawn (kind 0 ends it).
void SetInProgressShape(CInProgressShape shape);
// GUI thread: replaces the view parameters.
void SetLiveViewParams(const CLiveViewParams& view);
CLiveViewParams LiveViewParams();

// Streaming thread: one consistent copy of the overlay state.
CLiveOverlaySnapshot TakeOverlaySnapshot();
