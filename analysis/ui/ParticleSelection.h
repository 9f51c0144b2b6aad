#pragma once

#include <QObject>

class CShape;

// The particle picked in the particle pane or on the picture, shared by both
// so that each follows the other. It is an identity only: a holder compares
// it with the shapes it still has and never reads through it, so a removed
// shape leaves nothing dangerous behind. GUI thread only.
class CParticleSelection : public QObject {
    Q_OBJECT
public:
    const CShape* Selected() const { return m_selected; }
    // Picks `shape` (nullptr: none); tells the others when it changed.
    void Select(const CShape* shape);

signals:
    void changed(const CShape* selected);

private:
    const CShape* m_selected = nullptr;
};

// The one selection of the application.
CParticleSelection& ParticleSelection();
