#include "analysis/ui/CParticleDlg.h"

#include "analysis/ui/CParticlePreview.h"
#include "core/Language.h"

#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The spin box's largest value; the maximum area's lowest value (0) means
// no upper limit.
constexpr double kLargestArea = 1e12;

QString Text(const char* key, const char* english) {
    return GetLanguageString(QString::fromLatin1(key), QString::fromUtf8(english), 128);
}

QDoubleSpinBox* AreaBox(const char* name, const QString& unit, QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, kLargestArea);
    box->setDecimals(4);
    box->setSuffix(QStringLiteral(" ") + (unit.isEmpty() ? QStringLiteral("px") : unit) +
                   QStringLiteral("²"));
    return box;
}

QCheckBox* CheckBox(const char* name, const QString& text, bool checked, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(checked);
    return box;
}

} // namespace

CParticleOptions& LastParticleOptions() {
    static CParticleOptions options;
    return options;
}

CParticleDlg::CParticleDlg(const CDib& picture, const QString& unit,
                           std::optional<SelectionBox> region, QWidget* parent)
    : QDialog(parent)
    , m_preview(new CParticlePreview(picture, this))
    , m_region(region) {
    setObjectName(QStringLiteral("ParticleDialog"));
    setWindowTitle(Text("AnalyzeParticles", "Analyze Particles"));
    const CParticleOptions& last = LastParticleOptions();

    m_method = new QComboBox(this);
    m_method->setObjectName(QStringLiteral("method"));
    m_method->addItems({Text("ThresholdOtsu", "Otsu"), Text("ThresholdTriangle", "Triangle"),
                        Text("ThresholdDefault", "Default (iterative)"),
                        Text("ThresholdManual", "Manual")});
    m_method->setCurrentIndex(static_cast<int>(last.method));
    m_threshold = new QSlider(Qt::Horizontal, this);
    m_threshold->setObjectName(QStringLiteral("threshold"));
    m_threshold->setRange(0, 255);
    m_threshold->setValue(last.manualThreshold);
    m_thresholdValue = new QLabel(this);
    m_thresholdValue->setObjectName(QStringLiteral("thresholdValue"));
    m_thresholdValue->setMinimumWidth(30);
    auto* thresholdRow = new QHBoxLayout;
    thresholdRow->addWidget(m_threshold);
    thresholdRow->addWidget(m_thresholdValue);

    m_objects = new QComboBox(this);
    m_objects->setObjectName(QStringLiteral("objects"));
    m_objects->addItems({Text("ParticlesDark", "Dark"), Text("ParticlesLight", "Light")});
    m_objects->setCurrentIndex(static_cast<int>(last.objects));
    m_flatten = new QSpinBox(this);
    m_flatten->setObjectName(QStringLiteral("flatten"));
    m_flatten->setRange(0, 1000);
    m_flatten->setSuffix(QStringLiteral(" px"));
    m_flatten->setSpecialValueText(Text("FlattenNone", "None"));
    m_flatten->setValue(last.flattenRadius);
    m_minArea = AreaBox("minArea", unit, this);
    m_minArea->setValue(last.minArea);
    m_maxArea = AreaBox("maxArea", unit, this);
    m_maxArea->setSpecialValueText(Text("NoLimit", "No limit"));
    m_maxArea->setValue(std::isfinite(last.maxArea) ? last.maxArea : 0.0);
    m_excludeEdges = CheckBox("excludeEdges", Text("ExcludeEdges", "Exclude objects on the edge"),
                              last.excludeEdges, this);
    m_fillHoles = CheckBox("fillHoles", Text("FillHoles", "Fill holes"), last.fillHoles, this);
    m_split = CheckBox("split", Text("SplitParticles", "Split touching objects"), last.split, this);
    m_imagej = CheckBox("imagej", Text("ImageJMeasures", "ImageJ-compatible measures"),
                        last.measures == ParticleMeasures::ImageJ, this);

    auto* form = new QFormLayout;
    form->addRow(Text("ThresholdMethod", "Threshold"), m_method);
    form->addRow(Text("ThresholdLevel", "Level"), thresholdRow);
    form->addRow(Text("ParticleObjects", "Objects"), m_objects);
    form->addRow(Text("FlattenRadius", "Flatten background"), m_flatten);
    form->addRow(Text("MinimumArea", "Minimum area"), m_minArea);
    form->addRow(Text("MaximumArea", "Maximum area"), m_maxArea);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    for (QCheckBox* box : {m_excludeEdges, m_fillHoles, m_split, m_imagej}) {
        layout->addWidget(box);
    }
    if (m_region) {
        m_inRegion =
            CheckBox("inRegion", Text("InRectangle", "Only inside the rectangle"), true, this);
        layout->addWidget(m_inRegion);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_method, &QComboBox::currentIndexChanged, this, &CParticleDlg::OptionsChanged);
    connect(m_objects, &QComboBox::currentIndexChanged, this, &CParticleDlg::OptionsChanged);
    connect(m_threshold, &QSlider::valueChanged, this, &CParticleDlg::OptionsChanged);
    connect(m_flatten, &QSpinBox::valueChanged, this, &CParticleDlg::OptionsChanged);
    for (QCheckBox* box : findChildren<QCheckBox*>()) {
        connect(box, &QCheckBox::toggled, this, &CParticleDlg::OptionsChanged);
    }
    connect(m_preview, &CParticlePreview::ready, this, &CParticleDlg::OnPreviewReady);
    // The rectangle belongs to this picture; the rest carries over.
    connect(this, &QDialog::accepted, this, [this] {
        LastParticleOptions() = Options();
        LastParticleOptions().region.reset();
    });
    OptionsChanged();
}

CParticleDlg::~CParticleDlg() = default;

CParticleOptions CParticleDlg::Options() const {
    CParticleOptions options;
    options.method = static_cast<ThresholdMethod>(m_method->currentIndex());
    options.manualThreshold = m_threshold->value();
    options.objects = static_cast<ParticleObjects>(m_objects->currentIndex());
    options.flattenRadius = m_flatten->value();
    options.minArea = m_minArea->value();
    if (m_maxArea->value() > 0) {
        options.maxArea = m_maxArea->value();
    }
    options.excludeEdges = m_excludeEdges->isChecked();
    options.fillHoles = m_fillHoles->isChecked();
    options.split = m_split->isChecked();
    options.measures = m_imagej->isChecked() ? ParticleMeasures::ImageJ : ParticleMeasures::Precise;
    if (m_inRegion != nullptr && m_inRegion->isChecked()) {
        options.region = m_region;
    }
    return options;
}

void CParticleDlg::OptionsChanged() {
    const bool manual = m_method->currentIndex() == static_cast<int>(ThresholdMethod::Manual);
    m_threshold->setEnabled(manual);
    if (manual) {
        m_thresholdValue->setText(QString::asprintf("%d", m_threshold->value()));
    }
    m_preview->Request(Options());
}

// An automatic method shows the level it chose on the slider, a starting
// point for a manual one.
void CParticleDlg::OnPreviewReady() {
    if (m_method->currentIndex() != static_cast<int>(ThresholdMethod::Manual) &&
        !m_preview->Pending()) {
        const QSignalBlocker quiet(m_threshold);
        m_threshold->setValue(m_preview->Threshold());
        m_thresholdValue->setText(QString::asprintf("%d", m_preview->Threshold()));
    }
    emit previewChanged();
}
