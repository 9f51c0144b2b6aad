#include "reports/ParticleResults.h"

#include "analysis/particles/ParticleShape.h"

std::vector<const CParticleShape*> ParticleShapesOf(std::span<const CShape* const> shapes) {
    std::vector<const CParticleShape*> particles;
    for (const CShape* shape : shapes) {
        if (const auto* particle = dynamic_cast<const CParticleShape*>(shape)) {
            particles.push_back(particle);
        }
    }
    return particles;
}

CParticleResult ParticleResultOf(std::span<const CShape* const> shapes,
                                 const CUnitConversion& conversion, const std::string& unit) {
    CParticleResult result;
    result.unit = unit;
    double pixelArea = 0;
    double pictureArea = 0;
    for (const CParticleShape* shape : ParticleShapesOf(shapes)) {
        result.particles.push_back(shape->Converted(conversion));
        pixelArea += shape->Pixels().area;
        pictureArea = static_cast<double>(shape->imgWidth) * shape->imgHeight;
    }
    result.areaFraction = pictureArea > 0 ? pixelArea / pictureArea : 0.0;
    return result;
}
