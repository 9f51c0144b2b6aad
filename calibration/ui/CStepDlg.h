#pragma once

#include <QDialog>

// The four steps of a manual calibration, with an OK button; shown modally
// from the calibration manager's "?" button. GUI thread only.
class CStepDlg : public QDialog {
    Q_OBJECT
public:
    explicit CStepDlg(QWidget* parent = nullptr);
};
