#pragma once

#include "analysis/particles/ParticleAnalysis.h"
#include "framework/DrawContext.h"

#include <array>
#include <string>
#include <vector>

#include <QString>

struct CQuantityStats {
    double mean = 0;
    double sd = 0; // sample standard deviation (n − 1); 0 for fewer than two
    double min = 0;
    double max = 0;
};

enum class ParticleQuantity { Area, Perimeter, Feret, MinFeret, FeretAngle, Circularity };

inline constexpr int kParticleQuantityCount = 6;

// The quantity's value of one particle.
double ParticleValue(const CParticle& particle, ParticleQuantity quantity);

// The quantity's name from the language file ("Area", "Min Feret", ...).
QString ParticleQuantityName(ParticleQuantity quantity);
// The quantity's unit: `unit`, `unit`² for areas, "°" for angles, none for
// circularity; "px" stands for an empty unit.
QString ParticleQuantityUnit(ParticleQuantity quantity, const std::string& unit);

struct CParticleSummary {
    int count = 0;
    std::array<CQuantityStats, kParticleQuantityCount> stats{}; // by ParticleQuantity
    double areaFraction = 0;

    const CQuantityStats& Of(ParticleQuantity q) const { return stats[static_cast<int>(q)]; }
};

CParticleSummary SummariseParticles(const CParticleResult& result);

// Counts of the quantity in `bins` equal bins from low to high (the smallest
// and largest value, set on return; the largest value falls in the last bin).
std::vector<int> ParticleHistogram(const CParticleResult& result, ParticleQuantity quantity,
                                   int bins, double& low, double& high);

// Draws the histogram as bars with the axis range and the quantity's name
// inside the box at (x, y) of width × height device pixels.
void DrawParticleHistogram(CDrawContext& dc, const std::vector<int>& counts, double low,
                           double high, ParticleQuantity quantity, const std::string& unit, int x,
                           int y, int width, int height);
