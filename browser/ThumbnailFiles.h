#pragma once

#include "image/PictureScale.h"

#include <functional>
#include <optional>
#include <string>

#include <QString>
#include <QStringList>

// What the picture browser does to the files it lists.

// Moves a file to the desktop's trash; false when that is not possible.
// Tests replace it so that nothing leaves their temporary folder; an empty
// function restores QFile::moveToTrash.
using TrashMover = std::function<bool(const QString& path)>;
void SetTrashMover(TrashMover mover);

// QFile::moveToTrash made safe: the user's data folder (where the home trash
// lives) is made first, and a file that did not land in a trash folder's
// "files" (Qt falls back to the current folder when it cannot set up the
// trash, and still reports success) is put back. False with the reason in
// `why` when the file is still where it was.
bool MoveToDesktopTrash(const QString& path, QString& why);

// Removes a picture the user chose to delete into the trash. False when the
// file is still there, with the reason in `why` when given; a file no trash
// takes is kept rather than deleted for good.
bool RemovePicture(const QString& path, QString* why = nullptr);

// Removes the named files of `folder`, and nothing else of it (neither other
// files nor folders). Returns how many were removed; `why` (when given)
// receives the reason the first kept file was kept.
int RemovePictures(const QString& folder, const QStringList& names, QString* why = nullptr);

// Saves `source` as `target`: a plain copy when both have the same extension
// (case ignored), else a conversion, each file's kind by its extension (BMP,
// TIFF, PNG; JPEG for any other). A converted TIFF or PNG carries the
// source's own scale, or `scaleInForce` when the source has none. The
// target is written whole or not at all. False with a text in `error` on
// failure.
bool SavePictureAs(const QString& source, const QString& target, std::string& error,
                   const std::optional<CPictureScale>& scaleInForce = std::nullopt);
