#pragma once

#include <functional>
#include <string>

#include <QString>
#include <QStringList>

// What the picture browser does to the files it lists.

// Moves a file to the desktop's trash; false when that is not possible.
// Tests replace it so that nothing leaves their temporary folder; an empty
// function restores QFile::moveToTrash.
using TrashMover = std::function<bool(const QString& path)>;
void SetTrashMover(TrashMover mover);

// Removes a picture the user chose to delete: into the trash, or deleted
// outright where no trash takes it. False when the file is still there.
bool RemovePicture(const QString& path);

// Removes the named files of `folder`, and nothing else of it (neither other
// files nor folders). Returns how many were removed.
int RemovePictures(const QString& folder, const QStringList& names);

// Saves `source` as `target`: a plain copy when both have the same extension
// (case ignored), else a conversion: the source decoded as BMP when its
// extension is "bmp" (JPEG otherwise) and written as BMP when the target's is
// "bmp" (JPEG otherwise). The target is written whole or not at all. False
// with a text in `error` on failure.
bool SavePictureAs(const QString& source, const QString& target, std::string& error);
