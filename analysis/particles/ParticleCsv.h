#pragma once

#include "analysis/particles/ParticleAnalysis.h"

#include <string>

#include <QString>

// The particle table (one row per particle), an empty line, then the summary
// (count, mean, SD, min, max of each quantity, area fraction); numbers
// independent of the process locale.
std::string ParticleCsv(const CParticleResult& result);

// Writes ParticleCsv as UTF-8 with a byte-order mark (so that spreadsheet
// programs detect the encoding), whole or not at all.
bool WriteParticleCsv(const QString& path, const CParticleResult& result);
