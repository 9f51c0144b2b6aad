#pragma once

#include "analysis/particles/ParticleAnalysis.h"

#include <string>

// The particle table (one row per particle), an empty line, then the summary
// (count, mean, SD, min, max of each quantity, area fraction); numbers
// independent of the process locale.
std::string ParticleCsv(const CParticleResult& result);
