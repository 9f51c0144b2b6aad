#pragma once

#include "camera/LiveOverlay.h"
#include "capture/CaptureBackend.h"
#include "framework/DrawContext.h"
#include "tools/EdgeFinder.h"

#include <optional>
#include <vector>

#include <QPoint>

// The frame pixel under a surface pixel of the live view at `zoom` and
// `scroll` (surface pixels): ⌊(surface + scroll) / zoom + 0.5⌋, rounded so a
// click lands on the nearest frame pixel.
int LiveSurfaceToFrame(int surface, int scroll, double zoom);

// The two automatic tools of the live picture: the three-point circle whose
// clicks snap to the nearest edge, and the distance between the two edge
// lines found near two rough lines. The clicks are the in-progress shape's
// points (surface pixels); they are mapped to frame pixels through the view's
// zoom and scroll, so the tools find the same edges at any zoom.
//
// What a search finds is held until the tool restarts: a click is searched
// again only when it moves, disappears (the in-progress shape is cleared) or
// the tool changes; a search that finds nothing is tried again on the next
// frame. Owned and used by the streaming thread only.
class CLiveAutoMeasure {
public:
    static constexpr int kCircleCode = 108; // three-point circle, snapped clicks
    static constexpr int kLineCode = 110;   // two detected edge lines

    // Before the frame is painted: follows the clicks and searches `frame`
    // for what is new.
    void Update(const CaptureFrame& frame, const CLiveViewParams& view,
                const CInProgressShape& shape);

    // After the frame is painted: a cross on every snapped point; the rough
    // lines with their end marks and the segment found between the edge lines.
    void Draw(CDrawContext& dc, const CLiveViewParams& view) const;

    // Results in frame pixels, y downwards: one entry per click of the circle
    // (nullopt while its search finds nothing), the segment between the edge
    // lines once found.
    std::vector<std::optional<QPoint>> SnappedPoints() const;
    std::optional<CEdgeSegment> LineResult() const { return m_line; }

private:
    struct CHeldClick {
        QPoint click; // frame pixels
        std::optional<QPoint> snapped;
    };

    void Restart(int code);

    int m_code = 0;
    std::vector<CHeldClick> m_clicks;
    std::optional<CEdgeSegment> m_line;
    COLORREF m_lineColor = 0x0000FF;
    int m_lineWidth = 1;
};
