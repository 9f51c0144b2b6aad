#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;

// Options of a video recording: the time limit in seconds (or unlimited),
// the frame rate, whether frames are recorded uncompressed and otherwise with
// which of the available compressors, and whether the measurements and the
// scale bar are imprinted. OK reads both numbers (text that is not a whole
// number reads as 0), stores the compression choice in `compress` and the
// compressor and the imprint choice in the recording session, and saves them. Open it modally
// with exec(); the caller then reads timeLimit() and frameRate(). GUI thread
// only.
class CFileSizeDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFileSizeDlg(QWidget* parent = nullptr);

    // Seconds; 9999 stands for unlimited. Valid after OK.
    int timeLimit() const { return m_timeLimit; }
    // Frames per second. Valid after OK.
    int frameRate() const { return m_frameRate; }

    void accept() override;

private:
    void SetUnlimited(bool unlimited);

    int m_timeLimit = 10;
    int m_frameRate = 15;
    QLineEdit* m_seconds;
    QLineEdit* m_fps;
    QCheckBox* m_unlimited;
    QCheckBox* m_uncompressed;
    QComboBox* m_codec;
    QCheckBox* m_imprint;
};
