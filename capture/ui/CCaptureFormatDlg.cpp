#include "capture/ui/CCaptureFormatDlg.h"

#include "capture/CaptureSession.h"
#include "framework/ui/MessageBox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

namespace {

QString RateText(const FrameInterval& interval) {
    const double fps = interval.numerator == 0
                           ? 0.0
                           : static_cast<double>(interval.denominator) / interval.numerator;
    return QString::asprintf("%g fps", fps);
}

} // namespace

CCaptureFormatDlg::CCaptureFormatDlg(QWidget* parent)
    : QDialog(parent)
    , m_format(new QComboBox(this))
    , m_size(new QComboBox(this))
    , m_rate(new QComboBox(this)) {
    setWindowTitle(QStringLiteral("Video Capture Pin"));
    std::optional<CaptureFormat> current;
    if (g_captureSession.camera != nullptr) {
        m_offered = g_captureSession.camera->Formats();
        current = g_captureSession.camera->CurrentFormat();
    }
    for (std::size_t i = 0; i < m_offered.size(); ++i) {
        const CaptureFormatDesc& desc = m_offered[i];
        QString text = QString::fromStdString(Fourcc::ToString(desc.fourcc));
        if (!desc.description.empty()) {
            text += QStringLiteral(" (%1)").arg(QString::fromStdString(desc.description));
        }
        m_format->addItem(text, static_cast<int>(i));
    }
    connect(m_format, &QComboBox::currentIndexChanged, this, &CCaptureFormatDlg::FillSizes);
    connect(m_size, &QComboBox::currentIndexChanged, this, &CCaptureFormatDlg::FillRates);
    if (current) {
        for (int i = 0; i < m_format->count(); ++i) {
            if (m_offered[static_cast<std::size_t>(i)].fourcc == current->fourcc) {
                const QSignalBlocker blocker(m_format);
                m_format->setCurrentIndex(i);
            }
        }
    }
    FillSizes();
    if (current) {
        m_size->setCurrentIndex(
            m_size->findText(QString::asprintf("%d × %d", current->width, current->height)));
        m_rate->setCurrentIndex(m_rate->findText(RateText(current->interval)));
    }

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Pixel format"), m_format);
    form->addRow(QStringLiteral("Frame size"), m_size);
    form->addRow(QStringLiteral("Frame rate"), m_rate);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCaptureFormatDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCaptureFormatDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CCaptureFormatDlg::FillSizes() {
    const QString previous = m_size->currentText();
    const QSignalBlocker blocker(m_size);
    m_size->clear();
    const int format = m_format->currentIndex();
    if (format >= 0) {
        for (const CaptureFrameSize& size : m_offered[static_cast<std::size_t>(format)].sizes) {
            m_size->addItem(QString::asprintf("%d × %d", size.width, size.height));
        }
    }
    m_size->setCurrentIndex(std::max(0, m_size->findText(previous)));
    FillRates();
}

void CCaptureFormatDlg::FillRates() {
    const QString previous = m_rate->currentText();
    m_rate->clear();
    const int format = m_format->currentIndex();
    const int size = m_size->currentIndex();
    if (format < 0 || size < 0) {
        return;
    }
    for (const FrameInterval& interval : m_offered[static_cast<std::size_t>(format)]
                                             .sizes[static_cast<std::size_t>(size)]
                                             .intervals) {
        m_rate->addItem(RateText(interval));
    }
    m_rate->setCurrentIndex(std::max(0, m_rate->findText(previous)));
}

std::optional<CaptureFormat> CCaptureFormatDlg::Choice() const {
    const int format = m_format->currentIndex();
    const int size = m_size->currentIndex();
    const int rate = m_rate->currentIndex();
    if (format < 0 || size < 0) {
        return std::nullopt;
    }
    const CaptureFormatDesc& desc = m_offered[static_cast<std::size_t>(format)];
    const CaptureFrameSize& frameSize = desc.sizes[static_cast<std::size_t>(size)];
    CaptureFormat choice{desc.fourcc, frameSize.width, frameSize.height, {}};
    if (rate >= 0 && rate < static_cast<int>(frameSize.intervals.size())) {
        choice.interval = frameSize.intervals[static_cast<std::size_t>(rate)];
    }
    return choice;
}

bool CCaptureFormatDlg::ApplyChoice() {
    const auto choice = Choice();
    if (!choice) {
        return false;
    }
    const CaptureStatus status = SetCaptureFormat(*choice);
    if (!status) {
        ShowMessageBox(this, QString::fromStdString(status.message), windowTitle(), QMessageBox::Ok,
                       QMessageBox::Warning);
    }
    return status.ok;
}
