#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;

// Asks for the text of a text note. The face and size lists only preview the
// text in the sample: a note draws with the current text size, so OK returns
// the text alone. GUI thread only.
class CAddTextDlg : public QDialog {
    Q_OBJECT
public:
    // The sizes offered; the fifth, 5, is selected at start.
    static constexpr int kSizes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22};
    static constexpr int kInitialSizeIndex = 4;
    // The height, in pixels, at which the faces are listed; a face picked from
    // the list scales its width from this height.
    static constexpr int kListedFaceHeight = 16;

    explicit CAddTextDlg(QWidget* parent = nullptr);

    // The text typed, once the dialog was accepted.
    QString text() const { return m_text; }

    // The sample's font as the two lists set it: height 3 × size and the
    // average character width, both in pixels.
    int sampleHeight() const { return m_sampleHeight; }
    int sampleWidth() const { return m_sampleWidth; }

    void accept() override;

private:
    void FaceChanged();
    void SizeChanged();
    int SelectedSize() const;
    // Shows the sample in the face at m_sampleHeight and m_sampleWidth.
    void ShowSample();

    QLineEdit* m_edit;
    QComboBox* m_faces;
    QComboBox* m_sizes;
    QLabel* m_sample;
    QString m_text;
    int m_sampleHeight = 0;
    int m_sampleWidth = 0;
};
