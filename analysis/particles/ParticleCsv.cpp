#include "analysis/particles/ParticleCsv.h"

std::string ParticleCsv(const CParticleResult&) {
    return {};
}
