#include "capture/ui/CVideoSettingDlg.h"

#include "capture/CaptureSession.h"
#include "capture/ui/CCaptureControlsDlg.h"
#include "capture/ui/CCaptureFormatDlg.h"
#include "core/Language.h"
#include "core/Parameters.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

CVideoSettingDlg::CVideoSettingDlg(QWidget* parent)
    : QDialog(parent)
    , m_filter(new QPushButton(this))
    , m_pin(new QPushButton(this))
    , m_still(new QCheckBox(this)) {
    setWindowTitle(QStringLiteral("Video Setting"));
    m_filter->setText(GetLanguageString(QStringLiteral("VideoCaptureFilter"),
                                        QStringLiteral("Video Capture Filter"), 48));
    m_pin->setText(GetLanguageString(QStringLiteral("VideoCapturePin"),
                                     QStringLiteral("Video Capture Pin"), 48));
    m_still->setText(GetLanguageString(QStringLiteral("SNAPSHOT"), QStringLiteral("Snapshot"), 48));
    m_filter->setMinimumHeight(36);
    m_pin->setMinimumHeight(36);
    m_still->setEnabled(g_captureShared.stillPinAvailable != 0);
    m_still->setChecked(g_parameters.snapshot == 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    // The Default button of this dialog never had an action; it is not shown.
    connect(buttons, &QDialogButtonBox::accepted, this, &CVideoSettingDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CVideoSettingDlg::reject);
    connect(m_filter, &QPushButton::clicked, this, [this] { ShowCapturePropertyPages(0, this); });
    connect(m_pin, &QPushButton::clicked, this, [this] { ShowCapturePropertyPages(1, this); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_filter);
    layout->addSpacing(24);
    layout->addWidget(m_pin);
    layout->addSpacing(24);
    layout->addWidget(m_still);
    layout->addWidget(buttons);
    setMinimumWidth(340);
}

void CVideoSettingDlg::accept() {
    g_parameters.snapshot = m_still->isChecked() ? 1 : 0;
    RebuildCaptureGraph();
    SaveParameters();
    QDialog::accept();
}

int ShowCapturePropertyPages(int which, QWidget* owner) {
    if (which == 0) {
        if (g_captureSession.camera != nullptr) {
            CCaptureControlsDlg page(owner);
            page.exec();
        }
        return 0;
    }
    if (PrepareFormatPage() == 0) {
        return 1;
    }
    CCaptureFormatDlg page(owner);
    if (page.exec() == QDialog::Accepted) {
        page.ApplyChoice();
    }
    TakeOverCaptureFormat();
    return 1;
}
