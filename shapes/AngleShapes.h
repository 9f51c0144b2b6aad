#pragma once

#include "shapes/Shape.h"

// Angles in degrees, 0..180; they are not converted by the calibration.

// Three-point angle: arm ends P0 and P1, vertex P2 (always the third click),
// anchor P3; measure[0] = result[0] = the angle at P2.
class CTAngle : public CShape {
public:
    explicit CTAngle(const CShapeParams& params);
    const char* ClassName() const override { return "CTAngle"; }

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
};

// Four-point angle between line P0P1 and line P2P3, anchor P4; parallel lines
// give 0. While placing, the lines are extended across the picture; completed,
// a segment that stops short of the intersection is carried on to it dotted.
class CFAngle : public CShape {
public:
    explicit CFAngle(const CShapeParams& params);
    const char* ClassName() const override { return "CFAngle"; }

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;
};
