#pragma once

#include <QWidget>

// The form inside the calibration management pane: the stored calibrations and the manual
// calibration steps. GUI thread only.
class CCalManageFormView : public QWidget {
    Q_OBJECT
public:
    explicit CCalManageFormView(QWidget* parent = nullptr);
};
