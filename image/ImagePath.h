#pragma once

#include "image/Dib.h"

#include <filesystem>
#include <optional>

// The picture type a file name asks for, by its extension (case ignored):
// "bmp" BMP, "jpg" and "jpeg" JPEG, any other Unknown (a decoder must then
// recognise the data). No extension: nullopt, which neither opens nor saves.
// Only the file name counts, so a dot in a folder name is no extension.
std::optional<ImageType> ImageTypeForPath(const std::filesystem::path& path);
