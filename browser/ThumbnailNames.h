#pragma once

#include "image/Dib.h"

#include <optional>

#include <QString>
#include <QStringList>

// Which files of the snapshot folder the picture browser lists, and how.

// The picture type a name stands for: ending in "bmp" is BMP; ending in "jpg"
// or "jpeg" is JPEG; "tif" or "tiff" TIFF; "png" PNG (case ignored); anything
// else is no picture.
std::optional<ImageType> ThumbnailPictureType(const QString& name);

// Listed are files whose extension (after the last '.') is "bmp", "jpg",
// "tif", "tiff" or "png", case ignored: "a.jpeg" is not, although it would
// decode.
bool IsListedPictureName(const QString& name);

// The text an item shows: the name in lower case.
QString ThumbnailLabel(const QString& name);

// The listed file names of `folder` (real names, hidden files included, no
// folders) in name order, case ignored, so the date-named snapshots come
// oldest first. A missing or unreadable folder lists nothing.
QStringList ListThumbnailPictures(const QString& folder);

// Name order as ListThumbnailPictures sorts: case ignored first, then exact.
bool ThumbnailNameLess(const QString& a, const QString& b);
