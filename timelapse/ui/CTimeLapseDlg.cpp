#include "timelapse/ui/CTimeLapseDlg.h"

#include "core/ImageFormats.h"
#include "core/Language.h"
#include "core/Parameters.h"

#include <cmath>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kLimit = 64;

TimeLapseTime Milliseconds(double value, double unitSeconds) {
    return TimeLapseTime(static_cast<long long>(std::llround(value * unitSeconds * 1000.0)));
}

} // namespace

CTimeLapseDlg::CTimeLapseDlg(const QString& folder, const QDateTime& now, QWidget* parent)
    : QDialog(parent)
    , m_folder(folder)
    , m_interval(new QDoubleSpinBox(this))
    , m_byCount(new QRadioButton(
          GetLanguageString("TimeLapseCount", QStringLiteral("Pictures"), kLimit), this))
    , m_count(new QSpinBox(this))
    , m_byDuration(new QRadioButton(
          GetLanguageString("TimeLapseDuration", QStringLiteral("Duration (minutes)"), kLimit),
          this))
    , m_duration(new QDoubleSpinBox(this))
    , m_format(new QComboBox(this))
    , m_prefix(new QLineEdit(this))
    , m_summary(new QLabel(this))
    , m_ok(nullptr) {
    setWindowTitle(GetLanguageString("TimeLapse", QStringLiteral("Time-lapse"), kLimit));
    m_interval->setObjectName(QStringLiteral("interval"));
    m_interval->setDecimals(1);
    m_interval->setRange(1.0, 24 * 3600.0);
    m_interval->setValue(10.0);
    m_interval->setSuffix(QStringLiteral(" s"));
    m_byCount->setObjectName(QStringLiteral("byCount"));
    m_count->setObjectName(QStringLiteral("count"));
    m_count->setRange(1, CTimeLapsePlan::kMaxPictures);
    m_count->setValue(10);
    m_byDuration->setObjectName(QStringLiteral("byDuration"));
    m_duration->setObjectName(QStringLiteral("duration"));
    m_duration->setDecimals(1);
    m_duration->setRange(0.1, 7 * 24 * 60.0);
    m_duration->setValue(60.0);
    m_byCount->setChecked(true);
    m_format->setObjectName(QStringLiteral("format"));
    for (const SnapshotFormatRow& row : SnapshotFormatTable()) {
        m_format->addItem(QLatin1String(row.label), row.setting);
    }
    m_format->setCurrentIndex(
        m_format->findData(SnapshotFormatOf(g_parameters.imageformat).setting));
    m_prefix->setObjectName(QStringLiteral("prefix"));
    // A name, not a path: no folder separators, nothing a file system refuses.
    m_prefix->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[^/\\\\:*?\"<>|]{1,64}")), m_prefix));
    m_prefix->setText(now.toString(QStringLiteral("yyyyMMddHHmmss")));
    m_summary->setObjectName(QStringLiteral("summary"));

    auto* form = new QFormLayout;
    form->addRow(GetLanguageString("TimeLapseInterval", QStringLiteral("Interval"), kLimit),
                 m_interval);
    form->addRow(m_byCount, m_count);
    form->addRow(m_byDuration, m_duration);
    form->addRow(GetLanguageString("Format", QStringLiteral("Image Format"), kLimit), m_format);
    form->addRow(GetLanguageString("TimeLapseName", QStringLiteral("Name"), kLimit), m_prefix);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_summary);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_interval, &QDoubleSpinBox::valueChanged, this, &CTimeLapseDlg::Update);
    connect(m_count, &QSpinBox::valueChanged, this, &CTimeLapseDlg::Update);
    connect(m_duration, &QDoubleSpinBox::valueChanged, this, &CTimeLapseDlg::Update);
    connect(m_byCount, &QRadioButton::toggled, this, &CTimeLapseDlg::Update);
    connect(m_format, &QComboBox::currentIndexChanged, this, &CTimeLapseDlg::Update);
    connect(m_prefix, &QLineEdit::textChanged, this, &CTimeLapseDlg::Update);
    Update();
}

CTimeLapseSettings CTimeLapseDlg::Settings() const {
    CTimeLapseSettings settings;
    settings.plan.interval = Milliseconds(m_interval->value(), 1.0);
    if (m_byCount->isChecked()) {
        settings.plan.count = m_count->value();
    } else {
        settings.plan.duration = Milliseconds(m_duration->value(), 60.0);
    }
    settings.folder = m_folder;
    settings.prefix = m_prefix->text();
    settings.format = m_format->currentData().toInt();
    return settings;
}

void CTimeLapseDlg::Update() {
    m_count->setEnabled(m_byCount->isChecked());
    m_duration->setEnabled(!m_byCount->isChecked());
    const CTimeLapseSettings settings = Settings();
    const int pictures = settings.plan.Pictures();
    const bool usable = pictures > 0 && m_prefix->hasAcceptableInput() && !m_folder.isEmpty();
    m_ok->setEnabled(usable);
    m_summary->setText(usable ? GetLanguageString("TimeLapsePlan",
                                                  QStringLiteral("%1 pictures, the first %2"), 128)
                                    .arg(pictures)
                                    .arg(QDir::toNativeSeparators(settings.PicturePath(1)))
                              : QString());
}

CTimeLapseProgress::CTimeLapseProgress(CTimeLapseController* controller, QWidget* parent)
    : QWidget(parent)
    , m_text(new QLabel(this)) {
    setObjectName(QStringLiteral("timeLapseProgress"));
    m_text->setObjectName(QStringLiteral("timeLapseText"));
    auto* stop =
        new QPushButton(GetLanguageString("TimeLapseStop", QStringLiteral("Stop"), kLimit), this);
    stop->setObjectName(QStringLiteral("timeLapseStop"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text, 1);
    layout->addWidget(stop);
    m_text->setText(controller->ProgressText());
    connect(controller, &CTimeLapseController::progressChanged, m_text, &QLabel::setText);
    connect(controller, &CTimeLapseController::finished, this, &QWidget::hide);
    connect(stop, &QPushButton::clicked, controller, &CTimeLapseController::Stop);
}
