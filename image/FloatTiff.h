#pragma once

#include "image/PictureScale.h"

#include <filesystem>
#include <optional>
#include <string>

// Writes a single-channel 32-bit float TIFF (rows top-down), with resolution
// tags from `scale` when there is one. The file is written aside and renamed:
// a failure leaves nothing behind and an existing file untouched.
bool WriteFloatTiff(const std::filesystem::path& path, int width, int height,
                    const float* topDownRows, const std::optional<CPictureScale>& scale,
                    std::string& error);
