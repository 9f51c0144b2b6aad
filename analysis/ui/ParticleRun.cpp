#include "analysis/ui/ParticleRun.h"

#include "analysis/ui/LongJob.h"
#include "calibration/Calibration.h"
#include "core/Language.h"

CParticleScale CurrentParticleScale() {
    const CUnitConversion conversion = CurrentConversion();
    return {conversion.Length(1.0), g_calibration.unit.toStdString()};
}

std::optional<CParticleResult> RunParticleAnalysis(QWidget* owner, const CDib& picture,
                                                   const CParticleOptions& options,
                                                   const CParticleScale& scale) {
    CParticleResult result;
    const bool finished = RunLongJob(
        owner, GetLanguageString("AnalysingParticles", QStringLiteral("Analysing particles…"), 128),
        QStringLiteral("ParticleProgress"),
        [&](const LongJobProgress& progress) {
            result = AnalyseParticles(picture, options, scale, progress);
        },
        300);
    if (!finished || result.cancelled) {
        return std::nullopt;
    }
    return result;
}
