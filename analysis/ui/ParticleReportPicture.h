#pragma once

#include "analysis/particles/ParticleAnalysis.h"

class CDib;

// The picture of a report about particles: `picture` with the particles'
// area distribution drawn beneath it (the distribution alone when `picture`
// is empty), so that every report file embeds it as its one picture. False,
// `picture` left as it was, when there are no particles or no memory.
bool AppendParticleHistogram(CDib& picture, const CParticleResult& result);
