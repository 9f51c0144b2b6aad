#include "core/Language.h"
#include "document/SessionFiles.h"
#include "document/ui/CLOBRINDoc.h"
#include "framework/PostedEvents.h"
#include "framework/ui/MessageBox.h"
#include "shapes/ShapeMirror.h"

#include <QFile>
#include <QFileInfo>

// The measurements of a picture kept beside it, and the close question that
// protects them.

void CLOBRINDoc::RestoreMeasurements(const QString& picturePath) {
    // The window is not in the frame yet: the note follows once it is.
    const auto note = [this](const QString& text) {
        QMetaObject::invokeMethod(
            this, [this, text] { ShowPrompt(text); }, Qt::QueuedConnection);
    };
    CSessionLoad load = ReadSessionBeside(picturePath, m_model.ImageWidth(), m_model.ImageHeight());
    switch (load.status) {
    case SessionLoadStatus::None:
        return;
    case SessionLoadStatus::Loaded: {
        // A snapshot carries its shapes drawn in; they come back over the
        // picture as it was before, so deleting one removes it from view.
        if (const QString clean = CleanPicturePathFor(picturePath); QFileInfo::exists(clean)) {
            m_model.TakePixelsFrom(std::filesystem::path(QFile::encodeName(clean).toStdString()));
        }
        ApplySessionCalibration(load.session);
        std::vector<std::unique_ptr<CShape>> shapes = BuildSessionShapes(load.session);
        const std::size_t count = shapes.size();
        m_model.AddSavedShapes(std::move(shapes));
        m_savedShapesRevision = m_model.ShapesRevision();
        // Every view shows lengths in the calibration that came back.
        PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_PROPERTIES);
        note(GetLanguageString("MeasurementsRestored",
                               QStringLiteral("%1 measurements restored from %2"), 256)
                 .arg(count)
                 .arg(QFileInfo(SessionPathFor(picturePath)).fileName()));
        return;
    }
    case SessionLoadStatus::Mismatch:
        note(load.message);
        return;
    case SessionLoadStatus::Invalid:
        note(GetLanguageString("MeasurementsUnreadable",
                               QStringLiteral("Saved measurements not shown: %1"), 256)
                 .arg(load.message));
        return;
    }
}

bool CLOBRINDoc::SaveMeasurements() {
    if (!m_model.HasPicture() || pathName().isEmpty()) {
        return false;
    }
    // The session describes the picture as it is on disk: shapes of a picture
    // turned over since then are turned back with it.
    std::vector<CSessionShape> records;
    const bool mirrored = m_model.MirroredSinceFile();
    const bool flipped = m_model.FlippedSinceFile();
    for (const auto& shape : m_model.Shapes().Shapes()) {
        const CShape* onFile = shape.get();
        std::unique_ptr<CShape> turned;
        if (mirrored) {
            turned = MirroredShape(*onFile, FlipAxis::LeftRight, m_model.ImageWidth());
            onFile = turned.get();
        }
        if (flipped && onFile != nullptr) {
            std::unique_ptr<CShape> again =
                MirroredShape(*onFile, FlipAxis::UpDown, m_model.ImageHeight());
            turned = std::move(again);
            onFile = turned.get();
        }
        if (onFile == nullptr) {
            continue;
        }
        if (std::optional<CSessionShape> record = SessionShapeOf(*onFile)) {
            records.push_back(std::move(*record));
        }
    }
    QString error;
    if (!SaveSessionBeside(pathName(), m_model.ImageWidth(), m_model.ImageHeight(),
                           std::move(records), &error)) {
        ShowMessageBox(DialogOwner(), QStringLiteral("ERROR\n%1").arg(error), QString(),
                       QMessageBox::Ok, QMessageBox::Warning);
        return false;
    }
    m_savedShapesRevision = m_model.ShapesRevision();
    ShowPrompt(
        GetLanguageString("MeasurementsSaved", QStringLiteral("Measurements saved to %1"), 256)
            .arg(QFileInfo(SessionPathFor(pathName())).fileName()));
    return true;
}

bool CLOBRINDoc::MeasurementsUnsaved() const {
    if (m_model.ShapesRevision() == m_savedShapesRevision || pathName().isEmpty()) {
        return false;
    }
    // Removing every shape of a saved session is a change worth keeping too.
    return !m_model.Shapes().IsEmpty() || QFileInfo::exists(SessionPathFor(pathName()));
}

bool CLOBRINDoc::PictureQuestionNeeded(bool measurementsUnsaved) const {
    // Shapes answered for by the measurements' question, or saved as
    // measurements before, need no second question; changed pixels do.
    const bool shapesHandled =
        measurementsUnsaved || m_model.ShapesRevision() == m_savedShapesRevision;
    return m_model.IsModified() && !(shapesHandled && !m_model.IsPictureModified());
}

bool CLOBRINDoc::HasUnsavedWork() const {
    const bool measurementsUnsaved = MeasurementsUnsaved();
    return measurementsUnsaved || PictureQuestionNeeded(measurementsUnsaved);
}

bool CLOBRINDoc::SaveModified() {
    const bool measurementsUnsaved = MeasurementsUnsaved();
    if (measurementsUnsaved) {
        const QString text = GetLanguageString("SaveMeasurementsTip",
                                               QStringLiteral("Save the measurements of %1?"), 256)
                                 .arg(title());
        switch (ShowMessageBox(DialogOwner(), text, QString(),
                               QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                               QMessageBox::Question)) {
        case QMessageBox::Save:
            if (!SaveMeasurements()) {
                return false;
            }
            break;
        case QMessageBox::Discard:
            break;
        default:
            return false;
        }
    }
    if (!PictureQuestionNeeded(measurementsUnsaved)) {
        return true;
    }
    const QString text =
        GetLanguageString("SaveChangesTip", QStringLiteral("Save changes to %1?"), 256)
            .arg(title());
    switch (ShowMessageBox(DialogOwner(), text, QString(),
                           QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                           QMessageBox::Question)) {
    case QMessageBox::Save:
        return DoSave(false);
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}
