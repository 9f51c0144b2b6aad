#pragma once

#include "shapes/Shape.h"

// Annotations without a measured value: numbered marks and text notes. Each
// has one point, P0, which is also its anchor.

// Square mark numbered measure[0] (square marks count from 0 per view).
class CSquare : public CShape {
public:
    explicit CSquare(const CShapeParams& params);
    const char* ClassName() const override { return "CSquare"; }

protected:
    void ConvertMeasures(const CUnitConversion&) override {}
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
};

// Circular mark numbered measure[0] (circle marks count separately from 0).
class CCquare : public CShape {
public:
    explicit CCquare(const CShapeParams& params);
    const char* ClassName() const override { return "CCquare"; }

protected:
    void ConvertMeasures(const CUnitConversion&) override {}
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
};

// Text note with its top-left corner at P0.
class CText : public CShape {
public:
    explicit CText(const CShapeParams& params);
    const char* ClassName() const override { return "CText"; }

protected:
    void ConvertMeasures(const CUnitConversion&) override {}
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
};
