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
    if (name.endsWith(QStringLiteral("tif"), Qt::CaseInsensitive) ||
        name.endsWith(QStringLiteral("tiff"), Qt::CaseInsensitive)) {
        return ImageType::Tiff;
    }
    if (name.endsWith(QStringLiteral("png"), Qt::CaseInsensitive)) {
        return ImageType::Png;
    }
    return std::nullopt;
}

bool IsListedPictureName(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0) {
        return false;
    }
    static const QStringList kListed{QStringLiteral("bmp"), QStringLiteral("jpg"),
                                     QStringLiteral("tif"), QStringLiteral("tiff"),
                                     QStringLiteral("png")};
    return kListed.contains(name.mid(dot + 1), Qt::CaseInsensitive);
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
