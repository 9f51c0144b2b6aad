#pragma once

#include "capture/CaptureBackend.h"

#include <map>

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

// The "Video Capture Filter" page: every control of the bound camera, a
// slider with a spin box for numbers, a check box for switches, a list for
// menus and a button for buttons. Changes act on the camera at once; inactive
// and read-only controls are greyed; Defaults puts every control back. A
// value the camera refuses is named beside its control, which then shows
// the camera's value again. Reading every control back is slow on cameras
// with many of them, so a number's steps (a slider dragged) read them back
// once the steps pause; a switch or menu, which may turn an auto mode on or
// off, reads them back at once. When the camera is gone the page greys
// everything. GUI thread only.
class CCaptureControlsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCaptureControlsDlg(QWidget* parent = nullptr);

    // The widget that edits a control (QSpinBox, QCheckBox, QComboBox or
    // QPushButton), for tests; nullptr when the camera has no such control.
    QWidget* Editor(std::uint32_t id) const;
    QPushButton* DefaultsButton() const { return m_defaults; }
    // The text beside a control saying why the camera refused its value.
    QLabel* Refusal(std::uint32_t id) const;
    void RestoreDefaults();

private:
    struct Row {
        CaptureControl control;
        QWidget* editor = nullptr;
        QWidget* slider = nullptr;
        QLabel* label = nullptr;
        QLabel* refusal = nullptr;
    };

    void Build();
    void Change(std::uint32_t id, std::int32_t value);
    void Refresh();

    std::map<std::uint32_t, Row> m_rows;
    QPushButton* m_defaults;
    QTimer* m_refreshSoon;
};
