#pragma once

#include "shapes/Shape.h"

// Closed figures with a perimeter and an area.

// Rectangle of the opposite corners P0, P1, anchor P2; measure = width,
// height; result = W, H, perimeter 2 × (W + H), area W × H.
class CRectangle : public CShape {
public:
    explicit CRectangle(const CShapeParams& params);
    const char* ClassName() const override { return "CRectangle"; }

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
};

// Ellipse inscribed in the box P0, P1, anchor P2; measure = the larger and the
// smaller box side (LR, SR: the box extents, not half-axes); result = LR, SR,
// C = 4 × (LR − SR) + 2π × SR, A = π × LR × SR.
class CEllipse : public CShape {
public:
    explicit CEllipse(const CShapeParams& params);
    const char* ClassName() const override { return "CEllipse"; }

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
};

// Polygon of the vertices P0..Pq (the leading run of placed points among
// P0..P9), anchor P10; measure = perimeter including the closing edge, area in
// square pixels on whole-pixel vertices; result = both converted. The outline
// is closed from three vertices on, as the perimeter is.
class CPolygon : public CShape {
public:
    explicit CPolygon(const CShapeParams& params);
    const char* ClassName() const override { return "CPolygon"; }

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
    void AfterResults() override;
};
