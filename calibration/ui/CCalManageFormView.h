#pragma once

#include "calibration/Calibration.h"

#include <optional>

#include <QWidget>

class CPropertyGrid;
class CPropertyGridItem;
class QLabel;
class QPushButton;
class QTableWidget;
class QTabWidget;

// The form inside the calibration management pane: the stored calibrations
// (data.xml) with Apply, Delete and Delete all, the name of the calibration
// applied last, and the manual calibration (title, unit, real length, OK and
// the steps). The selected name of the current calibration is the list's
// choice: clicking a row sets it, Apply (or a double click) makes that record
// the current calibration and remembers it in defaultcalibration.txt. On
// construction it restores the calibration applied last. Delete and Delete
// all ask first; deleting the applied calibration returns to the initial one
// at once, relabels every open picture and says so in the status bar.
//
// The unit in the manual calibration grid is the current unit: choosing
// another converts every shown length at once. After every change of the
// calibration or of the store it posts UM_REFRESH_PROPERTIES (or, after a
// manual calibration, UM_REFRESH_RESULTS 2, 2) to the results view and
// UM_REPAINT to the image view, so labels and results follow. Below the
// applied name it says when the calibration in use was made on another
// camera, or at another frame size, than the one the live window shows.
// GUI thread only.
class CCalManageFormView : public QWidget {
    Q_OBJECT
public:
    explicit CCalManageFormView(QWidget* parent = nullptr);

    // The camera the live window shows, or none when it is closed; the note
    // below the applied name follows it.
    void ShowCameraInUse(const std::optional<CCalibrationCamera>& camera);

    // Chooses the stored record `name` in the list and applies it, as a
    // click on its row and Apply do.
    void ApplyNamed(const QString& name);
    // The calibration applied last; empty when uncalibrated.
    const QString& appliedName() const { return m_appliedName; }

signals:
    // The stored records or the applied calibration changed.
    void calibrationsChanged();

private:
    void BuildManualCalibrationGrid();
    // Reloads data.xml and lists it.
    void RefreshList();
    // Lists the store as it is, marking the row of the selected name.
    void FillList();
    void OnRowChosen(int row);
    void OnApply();
    void OnDelete();
    void OnDeleteAll();
    bool ConfirmDelete();
    void ReturnToInitialCalibration();
    void OnPropertyChanged(CPropertyGridItem* item);
    void OnManualCalibration();
    void OnShowSteps();
    void SwitchCurrentUnit(const QString& unit);
    void ShowAppliedName(const QString& name);
    void ShowMessage(const QString& text);
    void NotifyCalibrationChanged();
    void UpdateCameraNote();

    QTableWidget* m_list;
    QPushButton* m_apply;
    QPushButton* m_delete;
    QPushButton* m_deleteAll;
    QLabel* m_caption;
    QLabel* m_current;
    QTabWidget* m_tab;
    CPropertyGrid* m_grid;
    CPropertyGridItem* m_titleItem = nullptr;
    CPropertyGridItem* m_unitItem = nullptr;
    CPropertyGridItem* m_lengthItem = nullptr;
    QPushButton* m_ok;
    QPushButton* m_steps;
    QString m_appliedName; // as the label shows it; empty when uncalibrated
    QLabel* m_cameraNote;
    std::optional<CCalibrationCamera> m_cameraInUse;
};
