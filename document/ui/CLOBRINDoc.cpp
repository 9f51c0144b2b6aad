#include "document/ui/CLOBRINDoc.h"

#include "calibration/CalibrationFiles.h"
#include "calibration/ui/CCalManageFormView.h"
#include "core/CommandIds.h"
#include "core/ImageFormats.h"
#include "core/Language.h"
#include "core/Questions.h"
#include "document/PictureCalibration.h"
#include "document/SessionFiles.h"
#include "framework/PostedEvents.h"
#include "framework/QImageDrawSurface.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/MDIFrameWnd.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/View.h"
#include "reports/ui/CExportOptionDlg.h"
#include "tools/ToolModes.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

namespace {

std::filesystem::path FileSystemPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// Posts one of the adjustment notifications to the document; safe from any
// thread, dropped once the document is gone.
void PostToDocument(QObject* document, int message, std::intptr_t wParam = 0) {
    QCoreApplication::postEvent(document, new CPostedEvent(message, wParam, 0));
}

// Save As preselects the opened picture's format by its type's number.
static_assert(static_cast<int>(ImageType::Bmp) == kImageFormatBmp &&
              static_cast<int>(ImageType::Jpeg) == kImageFormatJpeg &&
              static_cast<int>(ImageType::Tiff) == kImageFormatTiff &&
              static_cast<int>(ImageType::Png) == kImageFormatPng);

bool IsToolCommand(int id) {
    return MeasuringToolOfCommand(id) != nullptr || AreaToolOfCommand(id) != nullptr ||
           FlipOperation(id) != 0;
}

} // namespace

CLOBRINDoc::CLOBRINDoc()
    : m_model(QImageSurfaceFactory(),
              AdjustmentCallbacks{
                  .progress =
                      [this](int percent) { PostToDocument(this, UM_ADJUST_PROGRESS, percent); },
                  .changed = [this] { PostToDocument(this, UM_REPAINT); },
                  .finished = [this] { PostToDocument(this, UM_ADJUST_FINISHED); },
              }) {}

CLOBRINDoc::~CLOBRINDoc() = default;

bool CLOBRINDoc::OnOpenDocument(const QString& path) {
    if (m_model.Open(FileSystemPath(path))) {
        RestoreMeasurements(path);
        // The window comes after the file opens; the status bar and the
        // calibration manager are reached through it, and the scale question
        // is better asked with the picture in view.
        QMetaObject::invokeMethod(
            this, [this, name = QFileInfo(path).completeBaseName()] { OnPictureShown(name); },
            Qt::QueuedConnection);
        return true;
    }
    ShowMessageBox(
        DialogOwner(),
        QStringLiteral("Error\n%1: %2")
            .arg(QFileInfo(path).fileName(), QString::fromStdString(m_model.LastError())),
        QString(), QMessageBox::Ok, QMessageBox::Warning);
    return false;
}

void CLOBRINDoc::ZoomToFit(QSize area, bool command) {
    const double before = m_model.Zoom().zoom;
    m_model.ZoomFit(area);
    if (command || m_model.Zoom().zoom != before) {
        ShowPrompt(m_model.ZoomStatusText());
        emit zoomChanged();
    }
}

bool CLOBRINDoc::OnCommand(int id) {
    switch (id) {
    case ID_ZOOM_IN:
    case ID_ZOOM_OUT:
    case ID_ZOOM_NORMAL:
        if (id == ID_ZOOM_IN) {
            m_model.ZoomIn();
        } else if (id == ID_ZOOM_OUT) {
            m_model.ZoomOut();
        } else {
            m_model.ZoomNormal();
        }
        ShowPrompt(m_model.ZoomStatusText());
        emit zoomChanged();
        return true;
    case ID_UNDO:
        m_model.Undo();
        emit shapesChanged();
        return true;
    case ID_FILE_SAVE:
        DoSave(false);
        return true;
    case ID_FILE_SAVE_AS:
        DoSave(true);
        return true;
    case ID_SAVE_MEASUREMENTS:
        SaveMeasurements();
        return true;
    case ID_EXPORT_CSV:
        OnExportCsv();
        return true;
    case ID_SAVE_HEIGHT_MAP:
        SaveHeightMap();
        return true;
    case ID_EXPORT_PICTURE:
        OnExportPicture();
        return true;
    case ID_EXPORT_EXCEL:
    case ID_EXPORT_WORD:
        OnExportReport(id == ID_EXPORT_EXCEL);
        return true;
    default:
        if (IsToolCommand(id)) {
            OnToolCommand(id);
            return true;
        }
        return false;
    }
}

bool CLOBRINDoc::OnUpdateCommand(int id, CCmdUI& cmdUI) {
    switch (id) {
    case ID_ZOOM_IN:
        cmdUI.Enable(m_model.Zoom().zoomInAllowed);
        return true;
    case ID_ZOOM_OUT:
        cmdUI.Enable(m_model.Zoom().zoomOutAllowed);
        return true;
    case ID_ZOOM_NORMAL:
    case ID_UNDO:
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
    case ID_SAVE_MEASUREMENTS:
    case ID_EXPORT_CSV:
    case ID_EXPORT_PICTURE:
    case ID_EXPORT_EXCEL:
    case ID_EXPORT_WORD:
        return true;
    case ID_SAVE_HEIGHT_MAP:
        cmdUI.Enable(m_heights != nullptr);
        return true;
    default:
        return m_model.Modes().OnUpdateCommand(id, cmdUI) || IsToolCommand(id);
    }
}

void CLOBRINDoc::OnToolCommand(int id) {
    const CToolCommandOutcome outcome = m_model.OnToolCommand(id);
    if (outcome.hint) {
        ShowPrompt(*outcome.hint);
    }
    if (outcome.crosshair) {
        emit crosshairToggled(*outcome.crosshair);
    }
    emit toolsChanged();
}

bool CLOBRINDoc::DoSave(bool saveAs) {
    if (!m_model.HasPicture()) {
        return false;
    }
    const ImageType type = m_model.LoadedType();
    QString path = pathName();
    // Saving over a file of several pages would keep only the one shown.
    const bool savable = (type == ImageType::Bmp || type == ImageType::Jpeg ||
                          type == ImageType::Tiff || type == ImageType::Png) &&
                         m_model.PageCount() == 1;
    if (!saveAs && !path.isEmpty() && savable) {
        const QMessageBox::StandardButton answer = ConfirmOverwrite();
        if (answer == QMessageBox::Cancel) {
            return false;
        }
        saveAs = answer == QMessageBox::SaveAll;
    }
    if (saveAs || path.isEmpty() || !savable) {
        path = ProposedSaveName(path, title(), type);
        // The format ids are the picture types' numbers.
        int formatId = type == ImageType::Unknown ? kImageFormatBmp : static_cast<int>(type);
        if (!DoImageFileDialog(DialogOwner(), ImageDialogMode::Save, formatId, path)) {
            return false;
        }
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const PictureWriteResult result = m_model.WriteTo(FileSystemPath(path));
    QApplication::restoreOverrideCursor();
    // Saving disarms the tools.
    emit toolsChanged();
    CommandStateChanged();
    if (result != PictureWriteResult::Written) {
        ShowWriteError(result);
        return false;
    }
    if (path != pathName()) {
        SetPathName(path);
    }
    // The file's pixels are new: a clean copy kept for the old ones would
    // bring those back over them.
    QFile::remove(CleanPicturePathFor(path));
    // The measurements are in the picture now.
    m_savedShapesRevision = m_model.ShapesRevision();
    m_overwriteConfirmed = true;
    return true;
}

QMessageBox::StandardButton CLOBRINDoc::ConfirmOverwrite() {
    if (m_overwriteConfirmed || IsQuestionSilenced(kOverwriteQuestion)) {
        return QMessageBox::Save;
    }
    bool silence = false;
    MessageBoxRequest request;
    request.text = GetLanguageString("OverwriteTip",
                                     QStringLiteral("The measurements will be drawn into %1 and "
                                                    "the picture without them will be replaced."),
                                     256)
                       .arg(title());
    request.buttons = QMessageBox::Save | QMessageBox::SaveAll | QMessageBox::Cancel;
    request.icon = QMessageBox::Question;
    request.buttonTexts = {
        {QMessageBox::SaveAll, GetLanguageString("SaveAs", QStringLiteral("Save As…"), 48)}};
    request.checkBoxText = GetLanguageString("DontAskAgain", QStringLiteral("Don't ask again"), 48);
    request.checked = &silence;
    const QMessageBox::StandardButton answer = ShowMessageBox(DialogOwner(), request);
    if (answer != QMessageBox::Save && answer != QMessageBox::SaveAll) {
        return QMessageBox::Cancel;
    }
    if (silence) {
        SilenceQuestion(kOverwriteQuestion);
    }
    return answer;
}

void CLOBRINDoc::OnExportPicture() {
    if (!m_model.HasPicture()) {
        return;
    }
    CExportOptionDlg options(QSize(m_model.ImageWidth(), m_model.ImageHeight()), DialogOwner());
    if (options.exec() != QDialog::Accepted) {
        return;
    }
    m_model.ClearModes();
    emit toolsChanged();
    CommandStateChanged();
    const FileDialogRequest request = PictureSaveRequest(
        GetLanguageString("ToolbarHitExportPicture", QStringLiteral("Export Picture"), 128),
        pathName().isEmpty() ? QString() : QFileInfo(pathName()).absolutePath());
    const std::optional<FileDialogAnswer> answer = RunFileDialog(DialogOwner(), request);
    if (!answer) {
        return;
    }
    // The command exports every measurement; the options decide whether any
    // is imprinted.
    m_model.MarkAllShapesForExport();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const PictureWriteResult result = m_model.WriteExportPicture(
        FileSystemPath(answer->path), CPictureExportOptions::FromSettings());
    QApplication::restoreOverrideCursor();
    if (result != PictureWriteResult::Written) {
        ShowWriteError(result);
    }
}

void CLOBRINDoc::ShapesChangedBy(CView* sender) {
    UpdateAllViews(sender);
    CommandStateChanged();
}

bool CLOBRINDoc::event(QEvent* event) {
    if (event->type() != CPostedEvent::Type()) {
        return CDocument::event(event);
    }
    const auto* posted = static_cast<const CPostedEvent*>(event);
    switch (posted->message()) {
    case UM_ADJUST_PROGRESS:
        emit adjustmentProgress(static_cast<int>(posted->wParam()));
        break;
    case UM_REPAINT:
        emit pictureChanged();
        break;
    case UM_ADJUST_FINISHED:
        emit adjustmentFinished();
        CommandStateChanged();
        break;
    default:
        break;
    }
    return true;
}

QWidget* CLOBRINDoc::DialogOwner() const {
    return views().isEmpty() ? QApplication::activeWindow() : views().front();
}

void CLOBRINDoc::ShowPrompt(const QString& text) const {
    if (CMDIFrameWnd* frame = mainFrame()) {
        frame->ShowPrompt(text);
    }
}

void CLOBRINDoc::OnPictureShown(const QString& fileName) {
    if (m_model.PageCount() > 1) {
        ShowPrompt(GetLanguageString("PicturePages",
                                     QStringLiteral("This file has %1 pages; the first is shown"),
                                     128)
                       .arg(m_model.PageCount()));
    }
    if (m_model.FileScale()) {
        OfferPictureScale(*m_model.FileScale(), fileName);
    }
}

void CLOBRINDoc::OfferPictureScale(const CPictureScale& scale, const QString& fileName) {
    if (CalibrationMatches(scale)) {
        return;
    }
    const QString name = StoredNameForPictureScale(scale, fileName);
    MessageBoxRequest request;
    request.text = PictureScaleQuestion(scale, name);
    request.buttons = QMessageBox::Yes | QMessageBox::Save | QMessageBox::No;
    request.icon = QMessageBox::Question;
    request.buttonTexts = {
        {QMessageBox::Yes,
         GetLanguageString("PictureScaleUse", QStringLiteral("Use for this picture"), 48)},
        {QMessageBox::Save,
         GetLanguageString("PictureScaleStore", QStringLiteral("Store as calibration"), 48)},
        {QMessageBox::No,
         GetLanguageString("PictureScaleKeep", QStringLiteral("Keep the calibration"), 48)}};
    const QMessageBox::StandardButton answer = ShowMessageBox(DialogOwner(), request);
    if (answer == QMessageBox::Yes && UsePictureScale(scale)) {
        PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_PROPERTIES);
    } else if (answer == QMessageBox::Save && StorePictureScale(scale, name)) {
        SaveCalibrations();
        // The manager shows the new record applied and makes it the default,
        // as its own Apply does.
        CMDIFrameWnd* frame = mainFrame();
        if (auto* manager = frame ? frame->findChild<CCalManageFormView*>() : nullptr) {
            manager->ApplyNamed(name);
        } else {
            WriteDefaultCalibration(name);
            PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_PROPERTIES);
        }
    }
}

void CLOBRINDoc::ShowWriteError(PictureWriteResult result) const {
    QString reason = QString::fromStdString(m_model.LastError());
    if (result == PictureWriteResult::BadExtension) {
        reason =
            QStringLiteral("Pictures are saved as .bmp, .jpg, .jpeg, .tif, .tiff or .png files");
    }
    ShowMessageBox(DialogOwner(), QStringLiteral("ERROR\n%1").arg(reason), QString(),
                   QMessageBox::Ok, QMessageBox::Warning);
}
