#pragma once

#include "capture/CaptureBackend.h"

#include <QDialog>

class QComboBox;

// The "Video Capture Pin" page: the pixel format, frame size and frame rate
// the bound camera offers, starting at its current format. The caller has
// stopped the camera; ApplyChoice sets the chosen format. GUI thread only.
class CCaptureFormatDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCaptureFormatDlg(QWidget* parent = nullptr);

    QComboBox* FormatList() const { return m_format; }
    QComboBox* SizeList() const { return m_size; }
    QComboBox* RateList() const { return m_rate; }

    std::optional<CaptureFormat> Choice() const;
    // Sets the choice on the camera; a refusal is shown to the user.
    bool ApplyChoice();

private:
    void FillSizes();
    void FillRates();

    std::vector<CaptureFormatDesc> m_offered;
    QComboBox* m_format;
    QComboBox* m_size;
    QComboBox* m_rate;
};
