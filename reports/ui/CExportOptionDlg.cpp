#include "reports/ui/CExportOptionDlg.h"

#include "core/Language.h"
#include "core/Parameters.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int kLimit = 48;

// saveoption1 values: full size, half, one third, current display ratio.
enum SizeChoice { kFullSize = 1, kHalfSize = 2, kThirdSize = 3, kCurrentRatio = 4 };

QString SizeCaption(QSize size, int divisor) {
    return QString::asprintf("%dX%d", size.width() / divisor, size.height() / divisor);
}

} // namespace

CExportOptionDlg::CExportOptionDlg(QSize referenceSize, QWidget* parent)
    : QDialog(parent)
    , m_sizes(new QButtonGroup(this))
    , m_measurements(new QCheckBox(this)) {
    setWindowTitle(
        GetLanguageString("ToolbarHitExportPicture", QStringLiteral("Export Picture"), kLimit));

    auto* sizeBox =
        new QGroupBox(GetLanguageString("ImageSize", QStringLiteral("Image Size"), kLimit), this);
    auto* sizeLayout = new QVBoxLayout(sizeBox);
    const struct {
        SizeChoice choice;
        QString caption;
        const char* name;
    } choices[] = {
        {kFullSize, SizeCaption(referenceSize, 1), "fullSize"},
        {kHalfSize, SizeCaption(referenceSize, 2), "halfSize"},
        {kThirdSize, SizeCaption(referenceSize, 3), "thirdSize"},
        {kCurrentRatio,
         GetLanguageString("Savecurrentratio", QStringLiteral("Current ratio"), kLimit),
         "currentRatio"},
    };
    for (const auto& entry : choices) {
        auto* radio = new QRadioButton(entry.caption, sizeBox);
        radio->setObjectName(QLatin1String(entry.name));
        m_sizes->addButton(radio, entry.choice);
        sizeLayout->addWidget(radio);
    }
    const int current = g_parameters.saveoption1;
    m_sizes->button(current >= kFullSize && current <= kThirdSize ? current : kCurrentRatio)
        ->setChecked(true);

    m_measurements->setObjectName(QStringLiteral("exportMeasurement"));
    m_measurements->setText(
        GetLanguageString("ExportMeasurement", QStringLiteral("Exoprt Measurement"), kLimit));
    m_measurements->setChecked(g_parameters.saveoption2 == 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sizeBox);
    layout->addWidget(m_measurements);
    layout->addWidget(buttons);
    setMinimumWidth(280);

    connect(buttons, &QDialogButtonBox::accepted, this, &CExportOptionDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CExportOptionDlg::reject);
}

void CExportOptionDlg::accept() {
    g_parameters.saveoption1 = m_sizes->checkedId();
    g_parameters.saveoption2 = m_measurements->isChecked() ? 1 : 0;
    SaveParameters();
    QDialog::accept();
}
