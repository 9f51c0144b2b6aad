#include "timelapse/SnapshotFiles.h"

#include "core/FileWriting.h"
#include "image/ImagePath.h"

#include <QFileInfo>

QString NumberedPath(const QString& path, int number) {
    return TaggedPath(path, QString::asprintf("-%04d", number));
}

bool EncodeSnapshot(const CDib& picture, const QString& path, QByteArray& bytes) {
    const bool bmp = QFileInfo(path).suffix().toLower() == QStringLiteral("bmp");
    return EncodeNewPicture(picture, bmp ? ImageType::Bmp : ImageType::Jpeg, bytes);
}
