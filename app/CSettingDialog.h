#pragma once

#include <functional>

#include <QDialog>
#include <QString>

class CPropertyGrid;
class CPropertyGridItem;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QWidget;

// The measure settings dialog: drawing style (line and text colour, line
// width, text size), decimals, snapshot format and save folder, with a small
// preview. Every change acts on g_parameters / g_folders at once; OK also
// writes the settings store, Cancel leaves the in-memory changes in effect
// for the run. Under them, whether reports add the statistics of their
// measurements, kept when OK is pressed. Open it modally with exec(). GUI
// thread only.
class CSettingDialog : public QDialog {
    Q_OBJECT
public:
    // Item data numbers of the grid's four properties.
    enum GridItem { kLineColorItem = 200, kTextColorItem, kLineWidthItem, kTextSizeItem };

    explicit CSettingDialog(QWidget* parent = nullptr);

    // The Default button: deletes the stored capture format (CapConfig.dat),
    // restores the factory settings (all but the decimals; the language becomes
    // Simplified Chinese at the next start), writes them and asks for a
    // restart. The dialog stays open.
    void ResetParameters();

    // Asks the user for a folder; an empty result means cancelled. The default
    // shows QFileDialog; tests answer without a dialog.
    using FolderBrowser =
        std::function<QString(QWidget* parent, const QString& title, const QString& start)>;
    static void SetFolderBrowser(FolderBrowser browser);

    // OK: writes the settings and, when the save folder changed while the
    // dialog was open, asks the thumbnail list to reload.
    void accept() override;

private:
    void BuildGrid();
    void OnPropertyChanged(CPropertyGridItem* item);
    void ChooseFolder();
    void ShowCurrentSettings();

    CPropertyGrid* m_grid;
    QWidget* m_preview;
    QButtonGroup* m_decimals;
    QButtonGroup* m_formats;
    QLineEdit* m_pathEdit;
    QCheckBox* m_scaleBar;                // a scale bar on the pictures, off by default
    QString m_openedSaveFolder;           // the save folder when the dialog opened
    QCheckBox* m_reportSummary = nullptr; // OK keeps its state (ReportOptions.h)
};
