#include "capture/ui/CSelectDeviceDlg.h"

#include "capture/CaptureSession.h"
#include "core/Language.h"
#include "framework/ui/MessageBox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

// The camera chosen last, by its device name, so that it is picked again
// even when it sits in another slot now.
const QString kLastCameraKey = QStringLiteral("Capture/LastCamera");

QSettings OpenStore() {
    return QSettings(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
}

} // namespace

CSelectDeviceDlg::CSelectDeviceDlg(QWidget* parent)
    : QDialog(parent)
    , m_list(new QComboBox(this))
    , m_usb(new QRadioButton(this))
    , m_wifi(new QRadioButton(this))
    , m_hint(new QLabel(QStringLiteral("3"), this))
    , m_problem(new QLabel(this)) {
    setWindowTitle(
        GetLanguageString(QStringLiteral("SelectDevice"), QStringLiteral("Select Device"), 64));
    m_usb->setText(GetLanguageString(QStringLiteral("USBModel"), QStringLiteral("USB MODE"), 64));
    m_wifi->setText(
        GetLanguageString(QStringLiteral("WiFiModel"), QStringLiteral("WIFI MODE"), 64));
    m_usb->setObjectName(QStringLiteral("usbMode"));
    m_wifi->setObjectName(QStringLiteral("wifiMode"));
    m_list->setObjectName(QStringLiteral("cameraList"));
    // Only USB cameras exist for this program; the mode buttons stay hidden.
    m_usb->setVisible(false);
    m_wifi->setVisible(false);
    m_hint->setVisible(false);
    m_problem->setObjectName(QStringLiteral("cameraProblem"));
    m_problem->setWordWrap(true);
    m_problem->setVisible(false);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_cancel = buttons->button(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSelectDeviceDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSelectDeviceDlg::reject);
    connect(m_usb, &QRadioButton::clicked, this, &CSelectDeviceDlg::FillList);
    connect(m_list, &QComboBox::currentIndexChanged, this, &CSelectDeviceDlg::OnSelectionChanged);

    auto* modes = new QHBoxLayout;
    modes->addWidget(m_usb);
    modes->addWidget(m_wifi);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(modes);
    layout->addWidget(m_list);
    layout->addWidget(m_hint);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    m_list->setMinimumWidth(260);
    FillList();
}

void CSelectDeviceDlg::FillList() {
    m_hint->setVisible(false);
    m_ok->setEnabled(true);
    m_cancel->setEnabled(true);
    m_wifi->setEnabled(false);
    {
        const QSignalBlocker blocker(m_list);
        m_list->clear();
        CreateDeviceEnumerator();
        if (EnumerateVideoDevices() == 1) {
            for (const VideoDeviceEntry& entry : g_captureSession.devices) {
                if (entry.index >= 0 && !entry.friendlyName.empty()) {
                    m_list->addItem(QString::fromStdString(entry.friendlyName), entry.index);
                    m_list->setItemData(m_list->count() - 1,
                                        QString::fromStdString(entry.displayName),
                                        Qt::UserRole + 1);
                }
            }
        }
        const QString last = OpenStore().value(kLastCameraKey).toString();
        int row = m_list->count() > 0 ? 0 : -1;
        for (int i = 0; i < m_list->count(); ++i) {
            if (m_list->itemData(i, Qt::UserRole + 1).toString() == last) {
                row = i;
            }
        }
        m_list->setCurrentIndex(row);
    }
    OnSelectionChanged(m_list->currentIndex());
    m_wifi->setEnabled(true);
}

void CSelectDeviceDlg::OnSelectionChanged(int row) {
    m_problem->setVisible(false);
    if (row >= 0) {
        g_captureShared.chosenDeviceIndex = m_list->itemData(row).toInt();
    }
}

void CSelectDeviceDlg::accept() {
    const int row = m_list->currentIndex();
    if (row < 0) {
        ShowMessageBox(this,
                       GetLanguageString(QStringLiteral("ConnectTip"),
                                         QStringLiteral("Please Connect Device..."), 128),
                       windowTitle());
        return;
    }
    if (const QString problem = OpenProblem(); !problem.isEmpty()) {
        m_problem->setText(problem);
        m_problem->setVisible(true);
        return;
    }
    OpenStore().setValue(kLastCameraKey, m_list->itemData(row, Qt::UserRole + 1));
    QDialog::accept();
}

QString CSelectDeviceDlg::OpenProblem() const {
    const int slot = m_list->itemData(m_list->currentIndex()).toInt();
    for (const VideoDeviceEntry& entry : g_captureSession.devices) {
        if (entry.index != slot || entry.backend == nullptr) {
            continue;
        }
        // Opening and closing again asks the camera without keeping it: a
        // node the user may not open is found here, with the backend's advice.
        std::string error;
        if (entry.backend->Open(entry.displayName, error) != nullptr) {
            return {};
        }
        return GetLanguageString(QStringLiteral("CameraOpenFailed"),
                                 QStringLiteral("The camera cannot be opened: %1"), 256)
            .arg(QString::fromStdString(error));
    }
    return {};
}
