#include "analysis/particles/ParticleShape.h"

#include "shapes/ShapeKinds.h"

#include <cmath>

namespace {

// The number's cell is centred on the centroid; its width is estimated from
// the text size, which is all a label line can say about its extent.
CLabelLine NumberLabel(int id, int textSize) {
    const QString text = QString::number(id);
    return {text, -static_cast<int>(text.size()) * textSize / 4, -textSize / 2};
}

} // namespace

CParticleShape::CParticleShape(const CParticle& particle, const CParticleScale& scale,
                               const CShapeParams& params)
    : CShape(ShapeKind::kParticle, 1, 0, 0, params)
    , m_pixels(particle) {
    ScaleToPixels(scale);
    points[0] = ShapePoint{particle.centroidX, particle.centroidY};
    measure = {m_pixels.area, m_pixels.perimeter, m_pixels.feret};
}

void CParticleShape::ScaleToPixels(const CParticleScale& scale) {
    const double perPixel = scale.unitsPerPixel > 0 ? scale.unitsPerPixel : 1.0;
    m_pixels.area /= perPixel * perPixel;
    m_pixels.perimeter /= perPixel;
    m_pixels.feret /= perPixel;
    m_pixels.minFeret /= perPixel;
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

void CParticleShape::DrawFigure(CShapeCanvas& canvas) {
    std::vector<ShapePoint> vertices;
    vertices.reserve(m_pixels.outline.size());
    for (const auto& [x, y] : m_pixels.outline) {
        vertices.push_back(ShapePoint{x, y});
    }
    canvas.Polyline(vertices, true);
}

std::vector<CLabelLine> CParticleShape::LabelLines(const CLabelStyle& style) const {
    return {NumberLabel(m_pixels.id, style.textSize)};
}

void DrawParticleOutlines(CDrawContext& dc, const CParticleResult& result,
                          const CParticleStyle& style, double zoom, int offsetX, int offsetY) {
    const CDrawStateGuard guard(dc);
    dc.SetPen(CPen{PenStyle::Solid, style.penWidth, style.lineColor});
    dc.SetBrush(Brush::Hollow);
    const auto device = [&](double x, double y) {
        return std::pair{static_cast<int>(std::trunc(zoom * x + 0.5)) - offsetX,
                         static_cast<int>(std::trunc(zoom * y + 0.5)) - offsetY};
    };
    for (const CParticle& particle : result.particles) {
        if (particle.outline.size() < 2) {
            continue;
        }
        const auto [x0, y0] = device(particle.outline[0].first, particle.outline[0].second);
        dc.MoveTo(x0, y0);
        auto last = std::pair{x0, y0};
        for (std::size_t i = 1; i < particle.outline.size(); ++i) {
            const auto point = device(particle.outline[i].first, particle.outline[i].second);
            if (point != last) {
                dc.LineTo(point.first, point.second);
                last = point;
            }
        }
        dc.LineTo(x0, y0);
    }
    if (!style.numbers) {
        return;
    }
    CLogFont font;
    font.height = style.textSize;
    dc.SetFont(font);
    dc.SetTextColor(style.textColor);
    dc.SetBackgroundMode(BackgroundMode::Transparent);
    for (const CParticle& particle : result.particles) {
        const auto [x, y] = device(particle.centroidX, particle.centroidY);
        const CLabelLine label = NumberLabel(particle.id, style.textSize);
        dc.TextOut(x + label.dx, y + label.dy, label.text);
    }
}
