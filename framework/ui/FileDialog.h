#pragma once

#include "core/ImageFormats.h"

#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

class QWidget;

// Modal file dialogs that tests can answer without showing them. GUI thread
// only.

struct FileDialogRequest {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    QString title;
    QStringList filters;   // Qt name filters: "BMP files (*.bmp)"
    int initialFilter = 0; // index into filters
    QString defaultSuffix; // added to a typed name without a suffix
    QString path;          // the starting folder or file
    bool fileMustExist = false;
    bool multiple = false; // Open: several existing files may be chosen
};

struct FileDialogAnswer {
    QString path;           // absolute
    int filterIndex = 0;    // index into the request's filters
    QStringList paths = {}; // every file chosen (`path` is the first)
};

// Shows the dialog; nullopt when the user cancelled.
std::optional<FileDialogAnswer> RunFileDialog(QWidget* owner, const FileDialogRequest& request);

// While a responder is set, every request goes to it instead of a dialog.
// Pass an empty function to show real dialogs again.
using FileDialogResponder =
    std::function<std::optional<FileDialogAnswer>(const FileDialogRequest&)>;
void SetFileDialogResponder(FileDialogResponder responder);

// The picture open and save dialog: its title, filters, preselected filter and
// default extension come from MakeImageDialogSetup. On OK, `path` is the
// chosen file and `formatId` the format of the chosen filter; on cancel both
// stay as they were. Open dialogs require an existing file; save dialogs ask
// before overwriting.
bool DoImageFileDialog(QWidget* owner, ImageDialogMode mode, int& formatId, QString& path);

// A save dialog for a picture written by its extension: every format we
// write, `formatId`'s preselected, starting at `path`.
FileDialogRequest PictureSaveRequest(const QString& title, const QString& path,
                                     int formatId = kImageFormatBmp);
