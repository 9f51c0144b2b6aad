#pragma once

#include "calibration/Calibration.h"
#include "framework/DrawContext.h"
#include "shapes/Geometry.h"

#include <span>
#include <vector>

#include <QPoint>
#include <QString>

// What labels are written in: the conversion to the unit, the unit's text,
// the decimals (kept within 0..15) and the text height. The GUI thread takes
// it from the current calibration and settings (CurrentLabelStyle); a thread
// that must not read those, the live overlay's, is handed a copy.
struct CLabelStyle {
    CUnitConversion conversion;
    QString unit = QStringLiteral("mm");
    int decimals = 6;
    int textSize = 16;

    friend bool operator==(const CLabelStyle&, const CLabelStyle&) = default;
};

// GUI thread: the style of the current calibration, unit and settings.
CLabelStyle CurrentLabelStyle();

// How a shape is put on a surface. Every caller passes the current line width
// of the drawing style:
// - the still view: zoom = the view's zoom, offset 0 on its memory bitmap of
//   the whole zoomed picture; previews in not-XOR mode (set by the caller);
// - saving and exporting a picture: zoom = the picture's size factor, offset 0;
// - a surface showing only part of the zoomed picture (the live overlay): the
//   offset is that part's top-left corner in zoomed device pixels.
struct CDrawParams {
    int penWidth = 1;  // outline width in device pixels
    double zoom = 1.0; // device pixels per image pixel
    // Subtracted from every zoomed point: a point (x, y) in image pixels is
    // drawn at (trunc(zoom × x + 0.5) − offsetX, trunc(zoom × y + 0.5) − offsetY).
    // Label offsets and mark sizes do not scale with the zoom.
    int offsetX = 0;
    int offsetY = 0;
    // The picture that extended lines cross, in image pixels; 0 takes the
    // shape's imgWidth or imgHeight.
    int imageWidth = 0;
    int imageHeight = 0;
    // False draws a completed shape without the side effects of computing
    // its results (the last line length, the results pane's notification):
    // the live overlay draws copies on the camera's streaming thread, where
    // touching process-wide state or the GUI would race.
    bool sideEffects = true;
    // The units and text of the labels; null takes the current calibration
    // and settings, which only the GUI thread may read.
    const CLabelStyle* labelStyle = nullptr;
};

// The label style a drawing with these parameters uses.
CLabelStyle LabelStyleOf(const CDrawParams& params);

// Where an image point is drawn with these parameters.
QPoint DevicePoint(const ShapePoint& p, const CDrawParams& params);

// One label line of a shape: its text and where its top-left corner goes,
// relative to the zoomed label anchor, in device pixels.
struct CLabelLine {
    QString text;
    int dx = 0;
    int dy = 0;
};

// A label as drawn: text and top-left corner in device pixels.
struct CShapeLabel {
    QString text;
    int x = 0;
    int y = 0;

    friend bool operator==(const CShapeLabel&, const CShapeLabel&) = default;
};

// Label texts in the style's unit and precision: "L:12.50mm" from
// LengthLabel(style, "L", 12.5) at 2 decimals, areas with "²" after the unit,
// angles with "°" instead of it, mark numbers without decimals.
QString LengthLabel(const CLabelStyle& style, const char* prefix, double value);
QString AreaLabel(const CLabelStyle& style, double value);
QString AngleLabel(const CLabelStyle& style, double degrees);
QString MarkLabel(double number);

// The figure primitives of the shapes, on one surface with one mapping. The
// outline pen (solid, the given width, the shape's line colour) is selected
// by the shape before drawing; the primitives that need another pen select it
// and put the outline pen back.
class CShapeCanvas {
public:
    CShapeCanvas(CDrawContext& dc, const CDrawParams& params, COLORREF lineColor,
                 int shapeImageWidth, int shapeImageHeight);

    CDrawContext& Context() { return m_dc; }
    double Zoom() const { return m_params.zoom; }
    int PenWidth() const { return m_params.penWidth; }

    // An image point at the zoom, moved by the offset.
    QPoint Device(const ShapePoint& p) const;
    // A point already in device pixels (the automatic line's guides while
    // placing): rounded as a device coordinate, neither zoomed nor moved.
    static QPoint Unzoomed(const ShapePoint& p);
    // A box computed at the zoom (CircleBox), moved by the offset.
    CDeviceBox Moved(const CDeviceBox& box) const;

    void Segment(QPoint a, QPoint b);
    // A plus sign of two 20-pixel strokes centred on p.
    void Cross(QPoint p);
    // Two 20-pixel strokes from `end` at ±30 degrees around the direction to
    // `other`; with the bar, also a 40-pixel stroke across the segment at `end`.
    void EndMark(QPoint end, QPoint other, bool bar);
    // The segment a–b with an end mark at each end.
    void Dimension(QPoint a, QPoint b, bool bar);
    // The line through a and b across the whole picture, two pixels thick, in
    // the line colour whatever the outline pen's width; nothing when a = b.
    void ExtendedLine(QPoint a, QPoint b);
    // The segment a–b in another pen style of the line colour.
    void StyledSegment(QPoint a, QPoint b, PenStyle style, int width);

    // The chain through the vertices, back to the first one when closed;
    // nothing for fewer than two vertices.
    void Polyline(std::span<const ShapePoint> vertices, bool closed);
    void Rectangle(QPoint a, QPoint b);
    void Ellipse(const CDeviceBox& box);

private:
    CDrawContext& m_dc;
    CDrawParams m_params;
    COLORREF m_lineColor;
    int m_extentWidth;  // device pixels of the picture
    int m_extentHeight; // device pixels of the picture
};
