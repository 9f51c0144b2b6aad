#pragma once

#include <QComboBox>

class CCalManageFormView;

// The toolbar's calibration switch: lists the stored calibrations with their
// scale in pixels per unit ("Fine (6.00 px/um)") and shows the one applied.
// Choosing one applies it at once through the calibration manager, as its
// Apply does, so the manager, labels and results follow; the list follows
// the manager's changes. A microscope with several objectives switches often.
// GUI thread only.
class CCalibrationChooser : public QComboBox {
    Q_OBJECT
public:
    explicit CCalibrationChooser(CCalManageFormView& manager, QWidget* parent = nullptr);

private:
    void Refill();

    CCalManageFormView& m_manager;
};
