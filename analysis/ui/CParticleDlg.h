#pragma once

#include "analysis/particles/ParticleOptions.h"

#include <optional>

#include <QDialog>
#include <QString>

class CDib;
class CParticlePreview;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSlider;
class QSpinBox;

// The options of Analyze Particles: threshold method (with the manual
// level's slider), dark or light objects, background flattening, the size
// range in the unit of the calibration in force, edge objects, holes,
// splitting, pixel-based measures and, when there is one, the rectangle to
// analyse. Every change is handed to the preview, which tints the object
// pixels on the picture behind the dialog (previewChanged). It opens with the
// options of the last analysis. GUI thread only.
class CParticleDlg : public QDialog {
    Q_OBJECT
public:
    // `unit` names the calibrated length unit of the size range ("" pixels);
    // `region` is the rectangle offered as the part to analyse.
    CParticleDlg(const CDib& picture, const QString& unit, std::optional<SelectionBox> region,
                 QWidget* parent = nullptr);
    ~CParticleDlg() override;

    CParticleOptions Options() const;
    CParticlePreview& Preview() const { return *m_preview; }

signals:
    void previewChanged();

private:
    void OptionsChanged();
    void OnPreviewReady();

    CParticlePreview* m_preview;
    std::optional<SelectionBox> m_region;
    QComboBox* m_method;
    QSlider* m_threshold;
    QLabel* m_thresholdValue;
    QComboBox* m_objects;
    QSpinBox* m_flatten;
    QDoubleSpinBox* m_minArea;
    QDoubleSpinBox* m_maxArea;
    QCheckBox* m_excludeEdges;
    QCheckBox* m_fillHoles;
    QCheckBox* m_split;
    QCheckBox* m_imagej;
    QCheckBox* m_inRegion = nullptr;
};

// The options the last accepted analysis ran with (the dialog's defaults and
// the live count's options).
CParticleOptions& LastParticleOptions();
