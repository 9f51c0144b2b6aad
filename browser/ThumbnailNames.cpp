#include "browser/ThumbnailNames.h"

#include <algorithm>

#include <QDir>

std::optional<ImageType> ThumbnailPictureType(const QString& name) {
    if (name.endsWith(QStringLiteral("bmp"), Qt::CaseInsensitive)) {
        return ImageType::Bmp;
    }
    if (name.endsWith(QStringLiteral("jpg"), Qt::CaseInsensitive) ||
        name.endsWith(QStringLiteral("jpeg"), Qt::CaseInsensitive)) {
        return ImageType::Jpeg;
    }
    return std::nullopt;
}

bool IsListedPictureName(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0) {
        return false;
    }
    const QString extension = name.mid(dot + 1);
    return extension.compare(QStringLiteral("bmp"), Qt::CaseInsensitive) == 0 ||
           extension.compare(QStringLiteral("jpg"), Qt::CaseInsensitive) == 0;
}

QString ThumbnailLabel(const QString& name) {
    return name.toLower();
}

bool ThumbnailNameLess(const QString& a, const QString& b) {
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

QStringList ListThumbnailPictures(const QString& folder) {
    if (folder.isEmpty()) {
        return {};
    }
    const QDir dir(folder);
    QStringList names =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const QString& name) { return !IsListedPictureName(name); }),
                names.end());
    std::sort(names.begin(), names.end(), ThumbnailNameLess);
    return names;
}
