#pragma once

#include "timelapse/CTimeLapseController.h"

#include <QDateTime>
#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// "Time-lapse...": the interval, either a number of pictures or a duration,
// the picture format and the name the pictures share. The pictures go to
// `folder` (the snapshot folder); the shared name starts as the start's
// date and time, as snapshots are named. OK is offered only for a plan that
// can run. GUI thread only.
class CTimeLapseDlg : public QDialog {
    Q_OBJECT
public:
    CTimeLapseDlg(const QString& folder, const QDateTime& now, QWidget* parent = nullptr);

    // The time-lapse as the fields describe it.
    CTimeLapseSettings Settings() const;

private:
    void Update();

    QString m_folder;
    QDoubleSpinBox* m_interval; // seconds
    QRadioButton* m_byCount;
    QSpinBox* m_count;
    QRadioButton* m_byDuration;
    QDoubleSpinBox* m_duration; // minutes
    QComboBox* m_format;
    QLineEdit* m_prefix;
    QLabel* m_summary;
    QPushButton* m_ok;
};

// The time-lapse's line for the status bar: its progress and a Stop button.
// It follows the controller and hides itself when the series ends.
class CTimeLapseProgress : public QWidget {
    Q_OBJECT
public:
    explicit CTimeLapseProgress(CTimeLapseController* controller, QWidget* parent = nullptr);

private:
    QLabel* m_text;
};
