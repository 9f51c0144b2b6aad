#pragma once

#include <functional>

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLineEdit;
class QPushButton;

// Collects the file, title, company and author of a spreadsheet or
// word-processor report, and whether to add the picture. The path is typed
// or chosen with the "*" button; a typed "~/" means the home folder and a
// relative path lies in the snapshot folder. OK refuses an empty field with
// a message (path first, then title, company, author); once all are filled
// it stores them in g_exportSettings (a path without the mode's report
// extension gets ".xls" or ".doc"), sets addexportimage and the
// selective flag, and saves the settings. Open it modally with exec(); the
// caller then reads g_exportSettings. GUI thread only.
class CExportDlg : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Excel, Word };

    explicit CExportDlg(Mode mode, QWidget* parent = nullptr);

    Mode mode() const { return m_mode; }
    // The page orientation choice of the Excel mode: 0 landscape, 1 portrait.
    // It stays in the dialog; reports do not use it.
    int orientation() const { return m_orientation; }

    // Asks for the report file to write; an empty result means cancelled. The
    // default shows a QFileDialog that confirms overwriting and appends the
    // selected filter's extension; tests answer without a dialog.
    using FileChooser = std::function<QString(QWidget* parent, const QStringList& filters,
                                              const QString& defaultSuffix)>;
    static void SetFileChooser(FileChooser chooser);

    void accept() override;

private:
    void ChooseFile();

    Mode m_mode;
    int m_orientation = 0;
    QLineEdit* m_title;
    QLineEdit* m_company;
    QLineEdit* m_author;
    QLineEdit* m_path;
    QPushButton* m_browse;
    QCheckBox* m_addImage;
    QCheckBox* m_selective = nullptr; // Excel mode only
};
