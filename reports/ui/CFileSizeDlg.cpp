#include "reports/ui/CFileSizeDlg.h"

#include "core/Language.h"
#include "core/Parameters.h"
#include "recorder/Recording.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

constexpr int kLimit = 520;
constexpr int kUnlimitedSeconds = 9999;
constexpr int kDefaultSeconds = 10;
constexpr int kDefaultFrameRate = 15;

// A whole decimal number, surrounding blanks allowed; anything else reads as 0.
int ReadInteger(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

QString IntegerText(int value) {
    return QString::asprintf("%d", value);
}

} // namespace

CFileSizeDlg::CFileSizeDlg(QWidget* parent)
    : QDialog(parent)
    , m_seconds(new QLineEdit(IntegerText(kDefaultSeconds), this))
    , m_fps(new QLineEdit(IntegerText(kDefaultFrameRate), this))
    , m_unlimited(new QCheckBox(this))
    , m_uncompressed(new QCheckBox(this))
    , m_codec(new QComboBox(this))
    , m_imprint(new QCheckBox(this)) {
    const QString recordTime =
        GetLanguageString("RecordTime", QStringLiteral("Recording Time"), kLimit);
    setWindowTitle(recordTime);

    m_seconds->setObjectName(QStringLiteral("timeLimit"));
    m_fps->setObjectName(QStringLiteral("frameRate"));
    // Any frame size records now, so the dialog asks for the compressor
    // instead of naming a required resolution.
    m_codec->setObjectName(QStringLiteral("compressor"));
    LoadVideoCodecChoice();
    for (const VideoCodec codec : AvailableVideoCodecs()) {
        m_codec->addItem(VideoCodecTitle(codec), VideoCodecName(codec));
        if (codec == g_recording.codec) {
            m_codec->setCurrentIndex(m_codec->count() - 1);
        }
    }

    m_unlimited->setObjectName(QStringLiteral("unlimited"));
    m_unlimited->setText(GetLanguageString("limittime", QStringLiteral("Unlimited"), kLimit));
    m_uncompressed->setObjectName(QStringLiteral("uncompressed"));
    m_uncompressed->setText(
        GetLanguageString("Compression", QStringLiteral("Default Uncompressed"), kLimit));
    m_uncompressed->setChecked(g_parameters.compress == 1);
    m_imprint->setObjectName(QStringLiteral("imprint"));
    m_imprint->setText(GetLanguageString(
        "RecordImprint", QStringLiteral("Imprint measurements and scale bar"), kLimit));
    m_imprint->setChecked(g_recording.imprint);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(recordTime, this), 0, 0);
    fields->addWidget(m_seconds, 0, 1);
    fields->addWidget(
        new QLabel(GetLanguageString("Seconds", QStringLiteral("Seconds"), kLimit), this), 0, 2);
    fields->addWidget(m_unlimited, 0, 3);
    fields->addWidget(new QLabel(GetLanguageString("FPS", QStringLiteral("FPS"), kLimit), this), 1,
                      0);
    fields->addWidget(m_fps, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("Compressor"), this), 2, 0);
    fields->addWidget(m_codec, 2, 1);
    fields->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_uncompressed);
    layout->addWidget(m_imprint);
    layout->addWidget(buttons);

    m_codec->setEnabled(!m_uncompressed->isChecked());
    connect(m_uncompressed, &QCheckBox::toggled, m_codec, &QWidget::setDisabled);
    connect(m_unlimited, &QCheckBox::clicked, this, &CFileSizeDlg::SetUnlimited);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFileSizeDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CFileSizeDlg::reject);
}

void CFileSizeDlg::SetUnlimited(bool unlimited) {
    m_seconds->setEnabled(!unlimited);
    m_fps->setEnabled(!unlimited);
    m_seconds->setText(IntegerText(unlimited ? kUnlimitedSeconds : kDefaultSeconds));
    m_fps->setText(IntegerText(kDefaultFrameRate));
}

void CFileSizeDlg::accept() {
    m_timeLimit = ReadInteger(m_seconds->text());
    m_frameRate = ReadInteger(m_fps->text());
    g_parameters.compress = m_uncompressed->isChecked() ? 1 : 0;
    SaveParameters();
    if (const auto codec = VideoCodecFromName(m_codec->currentData().toString())) {
        g_recording.codec = *codec;
    }
    g_recording.imprint = m_imprint->isChecked();
    SaveVideoCodecChoice();
    QDialog::accept();
}
