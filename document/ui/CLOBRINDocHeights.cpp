// Pictures made in memory and the heights of a height map's window.
#include "core/Language.h"
#include "document/NewPicture.h"
#include "document/ui/CLOBRINDoc.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/MessageBox.h"
#include "image/FloatTiff.h"

#include <QFile>
#include <QFileInfo>

bool CLOBRINDoc::OnNewDocument() {
    std::optional<CNewPicture> fresh = TakePendingNewPicture();
    if (!fresh) {
        return CDocument::OnNewDocument();
    }
    if (!m_model.OpenUnsaved(std::move(fresh->picture))) {
        return false;
    }
    m_heights = std::move(fresh->heights);
    SetTitle(fresh->title);
    QMetaObject::invokeMethod(
        this, [this, name = fresh->title] { OnPictureShown(name); }, Qt::QueuedConnection);
    return true;
}

bool CLOBRINDoc::SaveHeightMap() {
    if (!m_heights) {
        return false;
    }
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::Save;
    request.title = GetLanguageString(QStringLiteral("SaveHeightMap"),
                                      QStringLiteral("Save Height Map..."), 128);
    request.filters = {QStringLiteral("TIFF (*.tif *.tiff)")};
    request.defaultSuffix = QStringLiteral("tif");
    request.path = title() + QStringLiteral(".tif");
    const std::optional<FileDialogAnswer> answer = RunFileDialog(DialogOwner(), request);
    if (!answer) {
        return false;
    }
    std::string error;
    if (!WriteFloatTiff(std::filesystem::path(QFile::encodeName(answer->path).toStdString()),
                        m_heights->width, m_heights->height, m_heights->heights.data(),
                        m_model.FileScale(), error)) {
        ShowMessageBox(DialogOwner(),
                       QStringLiteral("Error\n%1: %2")
                           .arg(QFileInfo(answer->path).fileName(), QString::fromStdString(error)),
                       QString(), QMessageBox::Ok, QMessageBox::Warning);
        return false;
    }
    return true;
}
