#pragma once

#include "analysis/particles/ParticleAnalysis.h"
#include "framework/DrawContext.h"
#include "shapes/Shape.h"

// One analysed object kept as a measurement of a still picture: its outline
// and number drawn like other shapes (so saving and exporting burn it in),
// its measures listed in the results. The shape keeps the measures in picture
// pixels and converts them with the calibration in force, like other kinds.
//
// measure: area (px²), perimeter (px), Feret (px); result: area, perimeter,
// Feret, min Feret in the current unit (circularity and angles need no unit).
class CParticleShape : public CShape {
public:
    // `particle` as the analysis gave it, its lengths in `scale`'s unit; the
    // anchor of the number is the centroid.
    CParticleShape(const CParticle& particle, const CParticleScale& scale,
                   const CShapeParams& params);
    const char* ClassName() const override { return "CParticle"; }

    // The particle in picture pixels (id, measures, box, outline).
    const CParticle& Pixels() const { return m_pixels; }
    // The particle's lengths and areas converted with `conversion`.
    CParticle Converted(const CUnitConversion& conversion) const;

protected:
    void ConvertMeasures(const CUnitConversion& conversion) override;
    void DrawFigure(CShapeCanvas& canvas) override;
    std::vector<CLabelLine> LabelLines(const CLabelStyle& style) const override;

private:
    void ScaleToPixels(const CParticleScale& scale);

    CParticle m_pixels;
};

// How DrawParticleOutlines draws: outline pen, number colour and font.
struct CParticleStyle {
    COLORREF lineColor = 0x0000FF; // red
    COLORREF textColor = 0x0000FF;
    int penWidth = 1;
    int textSize = 14; // pixels, whatever the zoom
    bool numbers = true;
};

// Every particle's outline (picture pixels × zoom, minus the offset) and its
// number at the centroid, for pictures and overlays that hold no shapes.
void DrawParticleOutlines(CDrawContext& dc, const CParticleResult& result,
                          const CParticleStyle& style, double zoom, int offsetX = 0,
                          int offsetY = 0);
