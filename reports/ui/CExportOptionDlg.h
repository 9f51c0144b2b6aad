#pragma once

#include <QDialog>
#include <QSize>

class QButtonGroup;
class QCheckBox;

// Options of a picture export: the size (the reference size, its half, its
// third, or the current display ratio) and whether the measurements are
// imprinted. OK stores them in saveoption1 / saveoption2 and saves the
// settings. Open it modally with exec(). GUI thread only.
class CExportOptionDlg : public QDialog {
    Q_OBJECT
public:
    // `referenceSize`: the size in pixels of the active picture (the still
    // image or the camera frame).
    explicit CExportOptionDlg(QSize referenceSize, QWidget* parent = nullptr);

    void accept() override;

private:
    QButtonGroup* m_sizes;
    QCheckBox* m_measurements;
};
