#include "browser/ThumbnailFiles.h"

#include "core/FileWriting.h"
#include "image/Dib.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

TrashMover& Mover() {
    static TrashMover mover;
    return mover;
}

QString ExtensionOf(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

ImageType TypeOfExtension(const QString& extension) {
    if (extension == QStringLiteral("bmp")) {
        return ImageType::Bmp;
    }
    if (extension == QStringLiteral("tif") || extension == QStringLiteral("tiff")) {
        return ImageType::Tiff;
    }
    return extension == QStringLiteral("png") ? ImageType::Png : ImageType::Jpeg;
}

} // namespace

void SetTrashMover(TrashMover mover) {
    Mover() = std::move(mover);
}

bool MoveToDesktopTrash(const QString& path, QString& why) {
    // The home trash is "<data folder>/Trash"; on a fresh account the data
    // folder does not exist yet, and Qt would not make it.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data)) {
        why = QStringLiteral("there is no trash: the folder %1 cannot be made").arg(data);
        return false;
    }
    // Qt's fallback is the current folder; what it makes there must go again.
    const QDir here = QDir::current();
    const bool hadFiles = here.exists(QStringLiteral("files"));
    const bool hadInfo = here.exists(QStringLiteral("info"));
    QString placed;
    if (!QFile::moveToTrash(path, &placed)) {
        why = QStringLiteral("the trash did not take %1").arg(path);
        return false;
    }
    const QFileInfo where(placed);
    const QString trash = QFileInfo(where.absolutePath()).absolutePath();
    const QString trashName = QFileInfo(trash).fileName();
    if (QFileInfo(where.absolutePath()).fileName() == QStringLiteral("files") &&
        (trashName == QStringLiteral("Trash") || trashName.startsWith(QStringLiteral(".Trash")))) {
        return true;
    }
    // Not a trash: put the file back and drop the note written beside it.
    if (!QFile::rename(placed, path)) {
        why = QStringLiteral("the trash put %1 in %2").arg(path, placed);
        return false;
    }
    QFile::remove(trash + QStringLiteral("/info/") + where.fileName() +
                  QStringLiteral(".trashinfo"));
    if (QFileInfo(trash) == QFileInfo(here.absolutePath())) {
        if (!hadFiles) {
            here.rmdir(QStringLiteral("files"));
        }
        if (!hadInfo) {
            here.rmdir(QStringLiteral("info"));
        }
    }
    why = QStringLiteral("there is no trash for %1").arg(path);
    return false;
}

bool RemovePicture(const QString& path, QString* why) {
    QString reason;
    const bool trashed = Mover() ? Mover()(path) : MoveToDesktopTrash(path, reason);
    if (!trashed && why != nullptr) {
        *why = reason.isEmpty() ? QStringLiteral("the trash did not take %1").arg(path) : reason;
    }
    return trashed;
}

int RemovePictures(const QString& folder, const QStringList& names, QString* why) {
    const QDir dir(folder);
    int removed = 0;
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        // Only files: a folder that took a listed name since stays.
        if (!QFileInfo(path).isFile()) {
            continue;
        }
        QString reason;
        if (RemovePicture(path, &reason)) {
            ++removed;
        } else if (why != nullptr && why->isEmpty()) {
            *why = reason;
        }
    }
    return removed;
}

bool SavePictureAs(const QString& source, const QString& target, std::string& error,
                   const std::optional<CPictureScale>& scaleInForce) {
    const QString sourceExtension = ExtensionOf(source);
    const QString targetExtension = ExtensionOf(target);
    if (sourceExtension == targetExtension) {
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly)) {
            error = "cannot read the picture";
            return false;
        }
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError || !WriteFileWhole(target, bytes)) {
            error = "cannot write the copy";
            return false;
        }
        return true;
    }
    CDib picture;
    if (!picture.Load(source.toStdU16String(), TypeOfExtension(sourceExtension))) {
        error = picture.LastError();
        return false;
    }
    if (!picture.Scale()) {
        picture.SetScale(scaleInForce);
    }
    if (!picture.Save(target.toStdU16String(), TypeOfExtension(targetExtension))) {
        error = picture.LastError();
        return false;
    }
    return true;
}
