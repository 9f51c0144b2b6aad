#include "framework/ui/FileDialog.h"

#include <QFileDialog>

namespace {
FileDialogResponder g_responder;
}

std::optional<FileDialogAnswer> RunFileDialog(QWidget* owner, const FileDialogRequest& request) {
    if (g_responder) {
        return g_responder(request);
    }
    const bool open = request.mode == FileDialogRequest::Mode::Open;
    QFileDialog dialog(owner, request.title, request.path);
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open && request.multiple        ? QFileDialog::ExistingFiles
                       : open && request.fileMustExist ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    if (request.initialFilter >= 0 && request.initialFilter < request.filters.size()) {
        dialog.selectNameFilter(request.filters[request.initialFilter]);
    }
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!open) {
        // A name typed without extension gets the chosen filter's, so the
        // filter decides the kind the file is written as.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog](const QString& filter) {
                             const QString suffix = SuffixOfFilter(filter);
                             if (!suffix.isEmpty()) {
                                 dialog.setDefaultSuffix(suffix);
                             }
                         });
    }
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const auto filterIndex = request.filters.indexOf(dialog.selectedNameFilter());
    return FileDialogAnswer{dialog.selectedFiles().front(),
                            static_cast<int>(std::max<qsizetype>(filterIndex, 0)),
                            dialog.selectedFiles()};
}

void SetFileDialogResponder(FileDialogResponder responder) {
    g_responder = std::move(responder);
}

bool DoImageFileDialog(QWidget* owner, ImageDialogMode mode, int& formatId, QString& path) {
    const ImageDialogSetup setup = MakeImageDialogSetup(mode, formatId);
    FileDialogRequest request;
    request.mode = mode == ImageDialogMode::Open ? FileDialogRequest::Mode::Open
                                                 : FileDialogRequest::Mode::Save;
    request.title = setup.title;
    request.filters = setup.filters;
    request.initialFilter = setup.initialFilter;
    request.defaultSuffix = setup.defaultSuffix;
    request.path = path;
    request.fileMustExist = mode == ImageDialogMode::Open;
    const std::optional<FileDialogAnswer> answer = RunFileDialog(owner, request);
    if (!answer) {
        return false;
    }
    path = answer->path;
    if (answer->filterIndex >= 0 && answer->filterIndex < setup.formatIds.size()) {
        formatId = setup.formatIds[answer->filterIndex];
    }
    return true;
}

FileDialogRequest PictureSaveRequest(const QString& title, const QString& path, int formatId) {
    const ImageDialogSetup setup = MakeImageDialogSetup(ImageDialogMode::Save, formatId);
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::Save;
    request.title = title;
    request.filters = setup.filters;
    request.initialFilter = setup.initialFilter;
    request.defaultSuffix = setup.defaultSuffix;
    request.path = path;
    return request;
}
