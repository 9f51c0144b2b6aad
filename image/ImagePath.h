#pragma once

#include "image/Dib.h"

#include <filesystem>
#include <optional>

#include <QByteArray>

// The picture type a file name asks for, by its extension (case ignored):
// "bmp" BMP, "jpg" and "jpeg" JPEG, any other Unknown (a decoder must then
// recognise the data). No extension: nullopt, which neither opens nor saves.
// Only the file name counts, so a dot in a folder name is no extension.
std::optional<ImageType> ImageTypeForPath(const std::filesystem::path& path);

// The bytes of a new picture file (a snapshot, a time-lapse picture): BMP, or
// JPEG at the usual quality (90). False when it cannot be encoded; the
// reason is in `picture.LastError()`.
bool EncodeNewPicture(const CDib& picture, bool bmp, QByteArray& out);
