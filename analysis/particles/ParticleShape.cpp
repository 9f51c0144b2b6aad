#include "analysis/particles/ParticleShape.h"

#include "shapes/ShapeKinds.h"

CParticleShape::CParticleShape(const CParticle& particle, const CParticleScale& scale,
                               const CShapeParams& params)
    : CShape(ShapeKind::kParticle, 0, 0, 0, params)
    , m_pixels(particle) {
    const double perPixel = scale.unitsPerPixel > 0 ? scale.unitsPerPixel : 1.0;
    m_pixels.area /= perPixel * perPixel;
    m_pixels.perimeter /= perPixel;
    m_pixels.feret /= perPixel;
    m_pixels.minFeret /= perPixel;
    points[0] = ShapePoint{particle.centroidX, particle.centroidY};
    measure = {m_pixels.area, m_pixels.perimeter, m_pixels.feret};
}

CParticle CParticleShape::Converted(const CUnitConversion& conversion) const {
    CParticle converted = m_pixels;
    converted.area = conversion.Area(m_pixels.area);
    converted.perimeter = conversion.Length(m_pixels.perimeter);
    converted.feret = conversion.Length(m_pixels.feret);
    converted.minFeret = conversion.Length(m_pixels.minFeret);
    return converted;
}

void CParticleShape::ConvertMeasures(const CUnitConversion& conversion) {
    const CParticle converted = Converted(conversion);
    result = {converted.area, converted.perimeter, converted.feret, converted.minFeret};
}

void CParticleShape::DrawFigure(CShapeCanvas&) {}

std::vector<CLabelLine> CParticleShape::LabelLines(const CLabelStyle&) const {
    return {};
}

void DrawParticleOutlines(CDrawContext&, const CParticleResult&, const CParticleStyle&, double, int,
                          int) {}
