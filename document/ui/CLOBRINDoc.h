#pragma once

#include "analysis/focus/FocusStack.h"
#include "document/StillImageDocument.h"
#include "framework/ui/Document.h"

#include <cstdint>
#include <memory>

#include <QMessageBox>
#include <QString>

class QWidget;

// The document of a still picture window: the picture model (picture,
// backup, zoom, tool modes, shapes) and the commands a user gives it from the
// toolbar and menus: the measuring and area tools, zoom, undo, Save, Save As
// and the exports to picture, spreadsheet and document. The view (CLOBRINView) follows it through
// the signals below; the adjustments' threads reach it only through posted events. GUI thread only.
class CLOBRINDoc : public CDocument {
    Q_OBJECT
public:
    CLOBRINDoc();
    // The model goes first: it stops and waits for running adjustments while
    // this object can still receive (and then drop) their posts.
    ~CLOBRINDoc() override;

    // Opens the picture; an unreadable one shows "Error" with the reason and
    // the document is discarded. The measurements saved beside the picture
    // come back as editable shapes with their calibration and decimals when
    // they belong to this very picture; otherwise the status bar says why
    // they are not shown.
    bool OnOpenDocument(const QString& path) override;
    // A new window shows the picture made in memory that is pending (see
    // NewPicture.h), unsaved, with its height map when it is one.
    bool OnNewDocument() override;

    // The heights a height map's window shows in colour; null for every
    // other picture.
    const CHeightMap* HeightMap() const { return m_heights.get(); }
    // Save Height Map: asks for a .tif file and writes the heights as 32-bit
    // floats with the picture's scale. Failures are shown; false when nothing
    // was written.
    bool SaveHeightMap();

    CStillImageDocument& Model() { return m_model; }
    const CStillImageDocument& Model() const { return m_model; }

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CCmdUI& cmdUI) override;

    // Save (false) and Save As (true): Save writes to the opened file;
    // Save As asks for a file with the image file dialog, and a successful
    // save makes it the document's file. Failures are shown ("ERROR" with the
    // reason). False when nothing was written.
    //
    // Save draws the measurements into the opened picture for good, so the
    // first Save of each window says so first (Save / Save As… / Cancel),
    // unless the user ticked "Don't ask again" there once.
    bool DoSave(bool saveAs);

    // Save Measurements: writes the shapes with the current calibration and
    // decimals beside the picture file (NAME.EXT.marnelo.json), tied to the
    // file's bytes. Failures are shown; false when nothing was written.
    bool SaveMeasurements();
    // Shapes changed since they were opened, saved as measurements or burned
    // into the picture.
    bool MeasurementsUnsaved() const;

    // Closing: unsaved measurements ask "Save the measurements of NAME?"
    // (Save saves them, Discard drops them, Cancel keeps the window); then a
    // picture whose pixels changed (or, without unsaved measurements, any
    // changed picture) asks "Save changes to NAME?": Save saves as Save does,
    // Discard lets the window go, Cancel keeps it.
    bool SaveModified() override;
    // Fits the zoom to the view's `area` and says it on the status bar; a
    // refit after resizing does so only when the zoom changed.
    void ZoomToFit(QSize area, bool command);
    bool HasUnsavedWork() const override;
    // Export to picture: the export options, a file, then the picture with
    // every measurement imprinted as the options say.
    void OnExportPicture();

    // Export to Excel (true) or Word (false): the export dialog, then the
    // report of the measurements in the kind its file name asks for. A
    // picture without measurements writes nothing. A selective spreadsheet
    // export asks the view for its selection buttons (selectiveExportRequested)
    // and waits for ExportMarkedReport; an export of all marks every shape
    // first, and the marks stay. Failures are shown once with their reason;
    // a written report is opened with the desktop.
    void OnExportReport(bool spreadsheet);
    // Export to CSV: asks for a file, then writes every measurement as
    // comma-separated values in the current unit and decimals. A picture
    // without measurements writes nothing; a failure is shown.
    void OnExportCsv();
    // Writes the pending selective spreadsheet report of the marked shapes.
    void ExportMarkedReport();

    // The shapes changed by the view: tells the other views and the frame.
    void ShapesChangedBy(CView* sender);

signals:
    // The pixels changed: an adjustment or flip finished, or the backup was
    // put back.
    void pictureChanged();
    // Shapes were added or removed (undo).
    void shapesChanged();
    // The zoom changed: scroll to the origin and show the picture at it.
    void zoomChanged();
    // A tool command armed or disarmed a tool: repaint without erasing.
    void toolsChanged();
    // The crosshair command turned the crosshair on or off.
    void crosshairToggled(bool shown);
    // An adjustment runs (percent) and has ended.
    void adjustmentProgress(int percent);
    void adjustmentFinished();
    // A selective spreadsheet export waits for the user to mark shapes: the
    // view shows its selection buttons, the last of which calls
    // ExportMarkedReport.
    void selectiveExportRequested();

protected:
    bool event(QEvent* event) override;

private:
    QWidget* DialogOwner() const;
    void ShowPrompt(const QString& text) const;
    void ShowWriteError(PictureWriteResult result) const;
    // Once the window shows the opened picture: the page count of a file of
    // several pages on the status bar, and the offer of the file's scale.
    void OnPictureShown(const QString& fileName);
    // A picture whose file carries a scale other than the current
    // calibration's: asks whether to measure it with that scale (for this
    // session only, or stored as a calibration named after the picture).
    void OfferPictureScale(const CPictureScale& scale, const QString& fileName);
    void OnToolCommand(int id);
    // The first-Save question: the button answered (Save, SaveAll for
    // Save As…, Cancel); Save without asking once it was answered.
    QMessageBox::StandardButton ConfirmOverwrite();
    void WriteReport();
    void RestoreMeasurements(const QString& picturePath);
    // Whether closing asks "Save changes to NAME?", after the measurements'
    // question was (or needed not be) asked.
    bool PictureQuestionNeeded(bool measurementsUnsaved) const;

    CStillImageDocument m_model;
    std::shared_ptr<const CHeightMap> m_heights;
    bool m_overwriteConfirmed = false;
    std::uint64_t m_savedShapesRevision = 0;
};
