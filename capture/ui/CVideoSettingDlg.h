#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;

// The camera's settings: its controls ("Video Capture Filter"), its format
// ("Video Capture Pin") and whether its snapshot button takes snapshots.
// OK stores that choice, rebuilds the capture (running again if it ran) and
// saves the settings. GUI thread only.
class CVideoSettingDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlId { kFilterPages = 1040, kPinPages = 1038, kStillSnapshot = 1121, kDefault = 3 };

    explicit CVideoSettingDlg(QWidget* parent = nullptr);

    QPushButton* FilterButton() const { return m_filter; }
    QPushButton* PinButton() const { return m_pin; }
    QCheckBox* StillCheck() const { return m_still; }
    void accept() override;

private:
    QPushButton* m_filter;
    QPushButton* m_pin;
    QCheckBox* m_still;
};

// Shows the controls page (which 0) or the format page (which 1) of the bound
// camera, modal over `owner`. The format page stops the camera first and
// takes over the chosen format afterwards (UM_FORMAT_CHANGED restarts it).
// Returns 1 for the format page, also when there is none, 0 otherwise.
int ShowCapturePropertyPages(int which, QWidget* owner);
