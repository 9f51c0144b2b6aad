#pragma once

#include "image/Dib.h"

#include <filesystem>
#include <optional>

#include <QByteArray>

// The picture type a file name asks for, by its extension (case ignored):
// "bmp" BMP, "jpg" and "jpeg" JPEG, "png" PNG, "tif" and "tiff" TIFF, any
// other Unknown (a decoder must then recognise the data). No extension:
// nullopt, which neither opens nor saves. Only the file name counts, so a dot
// in a folder name is no extension.
std::optional<ImageType> ImageTypeForPath(const std::filesystem::path& path);

// The bytes of a new picture file (a snapshot, a time-lapse picture) of
// `type`: JPEG at the usual quality (90); TIFF and PNG carry the picture's
// scale. False when it cannot be encoded; the reason is in
// `picture.LastError()`.
bool EncodeNewPicture(const CDib& picture, ImageType type, QByteArray& out);

// A preview of the picture at `path` no larger than about `maxSide` pixels on
// its longer side (never enlarged). A TIFF is read without decoding all of it
// where the file allows (a reduced page, or every n-th row); other kinds are
// decoded and reduced. False with the reason in `out.LastError()`.
bool LoadPictureReduced(const std::filesystem::path& path, int maxSide, CDib& out);
