#include "analysis/ui/ParticleSelection.h"

void CParticleSelection::Select(const CShape* shape) {
    if (shape != m_selected) {
        m_selected = shape;
        emit changed(shape);
    }
}

CParticleSelection& ParticleSelection() {
    static CParticleSelection selection;
    return selection;
}
