#pragma once

#include "shapes/Shape.h"

// Distances: points P0, P1, ... in click order, the label anchor after them.

// Two-point distance: P0, P1, anchor P2; measure[0] = |P0 − P1|, result[0] its
// length. A completed line stores its length as the last line length. Drawn
// as the segment with barred end marks, labelled "L:".
class CLine : public CShape {
public:
    explicit CLine(const CShapeParams& params);
    const char* ClassName() const override { return "CLine"; }

protected:
    CLine(int kindCode, const CShapeParams& params);
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
    void AfterResults() override;
};

// Horizontal distance: the view keeps P1 on P0's row.
class CHLine : public CLine {
public:
    explicit CHLine(const CShapeParams& params);
    const char* ClassName() const override { return "CHLine"; }
};

// Vertical distance: the view keeps P1 on P0's column.
class CVLine : public CLine {
public:
    explicit CVLine(const CShapeParams& params);
    const char* ClassName() const override { return "CVLine"; }
};

// Distance between two edge lines found automatically. While placing, P0..P3
// are the two guide lines in device pixels and P4 the anchor; once completed,
// P0 and P1 are the ends of the measured segment and P2 the anchor.
// measure[0] = |P0 − P1|, refreshed from the completed points. While placing
// it draws the guide lines as given (device pixels, not zoomed), each between
// two dashed lines 6 pixels away; completed, the measured segment as a
// distance line.
class CAutoLine : public CShape {
public:
    explicit CAutoLine(const CShapeParams& params);
    const char* ClassName() const override { return "CAutoLine"; }
    int AnchorIndex() const override { return inProgress != 0 ? 4 : 2; }
    void RefreshGeometry() override;

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
    void AfterResults() override;
};

// Distance of parallel lines: P0, P1 on line 1, P2 on line 2, anchor P3;
// measure[0] = distance of P2 from line P0P1. While placing: a cross at P0,
// both lines extended across the picture and the dimension without bars;
// completed: the dimension from P2 to its foot on P0P1 with bars.
class CParallel : public CShape {
public:
    explicit CParallel(const CShapeParams& params);
    const char* ClassName() const override { return "CParallel"; }

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
};

// Distance of a point and a line: the point P0, the line P1P2, anchor P3;
// measure[0] = distance of P0 from line P1P2. Drawn as the parallel lines
// are, with crosses at the placed points and the line P1P2 extended.
class CDotLine : public CShape {
public:
    explicit CDotLine(const CShapeParams& params);
    const char* ClassName() const override { return "CDotLine"; }

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
};

// Fold line: vertices P0..Pq (the leading run of placed points among P0..P9),
// anchor P10; measure[0] = length of the open chain.
class CContinualLine : public CShape {
public:
    explicit CContinualLine(const CShapeParams& params);
    const char* ClassName() const override { return "CContinualLine"; }

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
    void AfterResults() override;
};

// The number of vertices of a polygon or fold line: the placed points from P0
// on, stopping at the first unset one, at most 10.
int LeadingVertexCount(const std::array<ShapePoint, kShapePointSlots>& points);
