#pragma once

#include "shapes/Shape.h"

// Circles and arcs. Centres are in image pixels; boxes are in device pixels at
// the zoom they were last computed for (createZoom at construction; the
// drawing recomputes them at its zoom with CircleBox).

// A circle given by two points, P0 and P1, with its label anchor P2:
// measure[0] = radius. Drawn as the segment P0P1 and the circle.
class CTwoPointCircle : public CShape {
public:
    CDeviceBox box;
    ShapePoint centre;

protected:
    // The centre is P0 (the radius circle) or the middle of P0P1 (the
    // diameter circle).
    CTwoPointCircle(int kindCode, const CShapeParams& params, bool onDiameter);
    void DrawFigure(CShapeCanvas& canvas) override;
};

// Circle by centre P0 and a point P1 on it, anchor P2; result = R,
// circumference 2πR, area πR².
class CRCircle : public CTwoPointCircle {
public:
    explicit CRCircle(const CShapeParams& params);
    const char* ClassName() const override { return "CRCircle"; }

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
};

// Circle on the diameter P0P1, anchor P2; result = diameter, circumference,
// area.
class CCircle : public CTwoPointCircle {
public:
    explicit CCircle(const CShapeParams& params);
    const char* ClassName() const override { return "CCircle"; }

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
};

// Circle through P0, P1, P2, anchor P3 (P4..P6 spare). The circle is computed
// by RefreshGeometry, not at construction; collinear points leave it as it
// was. measure[0] = radius; result = R, circumference, area.
class CTPCircle : public CShape {
public:
    explicit CTPCircle(const CShapeParams& params);
    const char* ClassName() const override { return "CTPCircle"; }
    void RefreshGeometry() override;

    ShapePoint centre;
    CDeviceBox box;

protected:
    CTPCircle(int kindCode, const CShapeParams& params);
    // The circle, once the three points give one; stores its box.
    void DrawCircle(CShapeCanvas& canvas);
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
};

// Circle through three edge points found automatically, P0..P2, anchor P3;
// computed at construction and again by RefreshGeometry.
class CAutoCircle : public CTPCircle {
public:
    explicit CAutoCircle(const CShapeParams& params);
    const char* ClassName() const override { return "CAutoCircle"; }

protected:
    void AfterResults() override;
    void DrawFigure(CShapeCanvas& canvas) override;
};

// Arc from P0 to P1 through P2, anchor P3. The centre is where the
// perpendicular bisectors of P0P2 and P1P2 meet; measure = radius and the
// angle at the centre between P0 and P1 (0..180 degrees); result = R, angle,
// arc length, sector area. Equal bisector slopes leave everything 0.
class CArc : public CShape {
public:
    explicit CArc(const CShapeParams& params);
    const char* ClassName() const override { return "CArc"; }

    // (P1.y − P0.y)(P2.x − P0.x) − (P1.x − P0.x)(P2.y − P0.y): the arc is drawn
    // from P0 to P1 when negative, from P1 to P0 otherwise.
    double DirectionCross() const { return dy10 * dx20 - dx10 * dy20; }

    CDeviceBox box;
    ShapePoint centre;
    double dx20 = 0.0; // P2.x − P0.x
    double dy20 = 0.0; // P2.y − P0.y
    double dx10 = 0.0; // P1.x − P0.x
    double dy10 = 0.0; // P1.y − P0.y

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
};

// Two circles on the diameters P0P1 and P2P3, anchor P4; measure = radius 1,
// radius 2, centre distance; result = radius 1, centre distance, radius 2.
class CTCircle : public CShape {
public:
    explicit CTCircle(const CShapeParams& params);
    const char* ClassName() const override { return "CTCircle"; }

    CDeviceBox box1;
    ShapePoint centre1;
    CDeviceBox box2;
    ShapePoint centre2;

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
};

// A circle on the diameter P0P1 and a line through P2, P3, anchor P4;
// measure[0] = radius, measure[2] = distance of the centre from the line;
// result = radius, distance. Only the circle is drawn.
class CLineCircle : public CShape {
public:
    explicit CLineCircle(const CShapeParams& params);
    const char* ClassName() const override { return "CLineCircle"; }

    CDeviceBox box;
    ShapePoint centre;
    ShapePoint foot; // of the perpendicular from the centre to the line

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
    void AfterResults() override;
};
