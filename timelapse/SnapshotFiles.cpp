#include "timelapse/SnapshotFiles.h"

#include "core/FileWriting.h"
#include "image/ImagePath.h"

#include <QFile>

QString NumberedPath(const QString& path, int number) {
    return TaggedPath(path, QString::asprintf("-%04d", number));
}

bool EncodeSnapshot(const CDib& picture, const QString& path, QByteArray& bytes) {
    const std::optional<ImageType> type =
        ImageTypeForPath(std::filesystem::path(QFile::encodeName(path).toStdString()));
    return EncodeNewPicture(picture, type && *type != ImageType::Unknown ? *type : ImageType::Jpeg,
                            bytes);
}
