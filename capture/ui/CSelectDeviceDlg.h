#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

// Lists the cameras (EnumerateVideoDevices) and records the one picked as
// the chosen device index before the live window opens. The list starts on
// the camera chosen last (kept in the settings store), else on the first;
// OK with no camera listed says so and keeps the dialog open; OK on a camera
// that cannot be opened (no access, gone) shows why under the list and keeps
// the dialog open. The USB mode button lists again; WiFi mode has no action.
// GUI thread only.
class CSelectDeviceDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlId { kCameraList = 1123, kUsbMode = 1152, kWiFiMode = 1153, kHint = 1109 };

    explicit CSelectDeviceDlg(QWidget* parent = nullptr);

    QComboBox* CameraList() const { return m_list; }
    QLabel* Problem() const { return m_problem; }
    void FillList();
    void accept() override;

private:
    void OnSelectionChanged(int row);
    // Why the chosen camera cannot be opened; empty when it can.
    QString OpenProblem() const;

    QComboBox* m_list;
    QRadioButton* m_usb;
    QRadioButton* m_wifi;
    QLabel* m_hint;
    QLabel* m_problem;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
