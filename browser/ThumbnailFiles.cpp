#include "browser/ThumbnailFiles.h"

#include "core/FileWriting.h"
#include "image/Dib.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    return extension == QStringLiteral("bmp") ? ImageType::Bmp : ImageType::Jpeg;
}

} // namespace

void SetTrashMover(TrashMover mover) {
    Mover() = std::move(mover);
}

bool RemovePicture(const QString& path) {
    const bool trashed = Mover() ? Mover()(path) : QFile::moveToTrash(path);
    if (trashed) {
        return true;
    }
    QFile::remove(path);
    return !QFileInfo::exists(path);
}

int RemovePictures(const QString& folder, const QStringList& names) {
    const QDir dir(folder);
    int removed = 0;
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        // Only files: a folder that took a listed name since stays.
        if (QFileInfo(path).isFile() && RemovePicture(path)) {
            ++removed;
        }
    }
    return removed;
}

bool SavePictureAs(const QString& source, const QString& target, std::string& error) {
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
    if (!picture.Load(source.toStdU16String(), TypeOfExtension(sourceExtension)) ||
        !picture.Save(target.toStdU16String(), TypeOfExtension(targetExtension))) {
        error = picture.LastError();
        return false;
    }
    return true;
}
