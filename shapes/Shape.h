#pragma once

#include "calibration/Calibration.h"
#include "framework/Colorref.h"
#include "framework/LogFont.h"
#include "shapes/Geometry.h"
#include "shapes/ShapeDrawing.h"

#include <array>
#include <functional>
#include <vector>

#include <QRect>
#include <QString>

inline constexpr int kShapePointSlots = 11;

// What a kind's constructor takes: the current style, the image the shape is
// made on, the view's zoom and the view's point buffer for the tool (image
// pixels in click order; marks and text use points[0]).
struct CShapeParams {
    COLORREF lineColor = 255;
    COLORREF textColor = 255;
    QString text; // the text of a CText shape
    int imgWidth = 640;
    int imgHeight = 480;
    double zoom = 1.0;
    std::array<ShapePoint, kShapePointSlots> points{};
    int markNumber = 0; // square and circle marks
};

// Notifications that completed shapes send while their results are computed.
// The GUI connects them; nothing happens while a hook is empty. GUI thread only.
struct CShapeNotifications {
    // Asks the results pane to relist the measurements (still list, keep the
    // properties). Sent by completed polygons, fold lines, automatic circles,
    // line-circle distances and automatic lines each time their results are
    // computed; a repaint of many shapes sends it many times.
    std::function<void()> refreshResults;
    // Shows a message to the user: the factory sends "Bad Element code" for a
    // measuring mode that has no shape kind (and creates nothing).
    std::function<void(const QString& message)> showMessage;
};

extern CShapeNotifications g_shapeNotifications;

// One measurement or annotation placed on an image. The kinds derive from it;
// the record's fields are public because the view completes a shape by
// setting them (see CompleteShape) and the results pane and reports read them.
class CShape {
public:
    virtual ~CShape() = default;
    CShape(const CShape&) = delete;
    CShape& operator=(const CShape&) = delete;

    // The class name of the kind ("CLine", "CTPCircle", ...).
    virtual const char* ClassName() const = 0;

    // Index in `points` of the label anchor.
    virtual int AnchorIndex() const { return m_anchorIndex; }

    // Recomputes the raw measures that depend on the circle through the points
    // (three-point and automatic circles) or, for the automatic line, on the
    // detected segment. The drawing calls it for previews as well.
    virtual void RefreshGeometry() {}

    // For a completed shape (inProgress 0): refreshes the geometry, computes
    // `result` from `measure` with the current calibration, and performs the
    // kind's side effects: distance lines store their converted length as the
    // last line length, and the five kinds above send refreshResults.
    // Does nothing for a preview.
    void ComputeResults();

    // Draws the shape on `dc` with a solid outline pen of params.penWidth in
    // lineColor and the hollow brush, in the context's raster mode (not-XOR
    // for a preview that is drawn again to erase it). A preview draws the
    // figure of the placing step it is in. A completed shape first computes
    // its results (ComputeResults, with its side effects), draws its figure,
    // then its labels in `font` at the text size of the drawing style (which
    // it stores in font.height), textColor and a transparent background. The
    // context's selection is left as it was. Parts whose points are unset are
    // skipped.
    void Draw(CDrawContext& dc, const CDrawParams& params);
    void Draw(CDrawContext& dc, int penWidth, double zoom) {
        Draw(dc, CDrawParams{.penWidth = penWidth, .zoom = zoom});
    }

    // The labels Draw writes for a completed shape with its current results,
    // in drawing order; none for a preview.
    std::vector<CShapeLabel> Labels(const CDrawParams& params) const;

    // The device pixels Draw with these parameters may touch: the figure as
    // it would be drawn, pen width included, and the labels, their size
    // estimated generously from the text size (it never falls short). Empty
    // when nothing would be drawn. Refreshes the geometry and the results as
    // Draw does, without Draw's side effects, so that a caller can leave out
    // a shape that would not show.
    QRect DrawnBounds(const CDrawParams& params);

    int imgWidth = 640;
    int imgHeight = 480;
    int serial = 0;
    int kind = 0;
    CLogFont font;
    COLORREF textColor = 255;
    COLORREF lineColor = 255;
    int penWidth = 1; // line width of the style when completed; drawing uses the current one
    std::array<double, 3> measure{}; // raw measures: pixels, square pixels, degrees
    std::array<double, 4> result{};  // converted measures in the current unit
    double createZoom = 1.0;
    std::array<ShapePoint, kShapePointSlots> points{};
    int inProgress = 1; // 1 while a preview, 0 once completed and stored
    int pointCount = 0;
    QString text;
    int exportMark = 0; // 1 once picked for an export picture

protected:
    // Sets the base defaults, then the kind's code, pointCount, style, image
    // size, zoom and the first `copiedPoints` entries of the point buffer.
    CShape(int kind, int pointCount, int copiedPoints, int anchorIndex, const CShapeParams& params);

    // Writes `result` from `measure`.
    virtual void ConvertMeasures(const CUnitConversion& conversion) = 0;
    // Side effects after `result` is written.
    virtual void AfterResults() {}

    // The kind's figure for its state (inProgress), with the outline pen
    // selected; none by default. Circle kinds store the boxes they draw.
    virtual void DrawFigure(CShapeCanvas&) {}
    // The label lines of a completed shape from `result` (or `measure`, `text`),
    // placed relative to the label anchor; none by default.
    virtual std::vector<CLabelLine> LabelLines(const CLabelStyle&) const { return {}; }

    // True when every listed point is placed.
    bool AllSet(std::initializer_list<int> indices) const;

    // Notifies the results pane (see CShapeNotifications::refreshResults).
    static void NotifyResultsChanged();

private:
    int m_anchorIndex = 0;
};

// Completes a preview as the view stores it: the current drawing style's line
// colour, text colour and line width, inProgress 0 and the given serial.
void CompleteShape(CShape& shape, int serial);
