#pragma once

#include "analysis/particles/ParticleAnalysis.h"

#include <optional>

class QWidget;

// The scale of the calibration in force: its conversion of pixels and its
// unit, as the other measurements use them.
CParticleScale CurrentParticleScale();

// Runs the analysis on a thread of its own behind a progress dialog with a
// Cancel button, so that a large picture never freezes the window. Nothing
// when the user cancelled.
std::optional<CParticleResult> RunParticleAnalysis(QWidget* owner, const CDib& picture,
                                                   const CParticleOptions& options,
                                                   const CParticleScale& scale);
