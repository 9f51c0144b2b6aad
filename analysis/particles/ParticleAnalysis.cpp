#include "analysis/particles/ParticleAnalysis.h"

CParticleResult AnalyseParticles(const CDib& picture, const CParticleOptions& options,
                                 const CParticleScale& scale,
                                 const std::function<bool(int percent)>& progress) {
    CParticleResult result;
    result.threshold = ParticleThreshold(picture, options);
    result.unit = scale.unit;
    if (progress && !progress(100)) {
        result.cancelled = true;
    }
    return result;
}

int ParticleThreshold(const CDib&, const CParticleOptions& options) {
    return options.manualThreshold;
}

void ThresholdMask(const CDib& picture, const CParticleOptions&, std::vector<std::uint8_t>& mask) {
    mask.assign(static_cast<std::size_t>(picture.Width()) * picture.Height(), 0);
}
