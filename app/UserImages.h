#pragma once

#include "image/Dib.h"

#include <cstdint>
#include <filesystem>
#include <string>

// The user's own toolbar pictures: a BMP strip of 16 × 16 images side by side
// (UserImages.bmp in the current folder), offered for user toolbar buttons.
inline constexpr std::uintmax_t kMaxUserImagesFileBytes = 819200;
inline constexpr int kUserImageSize = 16;

struct UserImagesFile {
    enum class Status { Loaded, Missing, Ignored };
    Status status = Status::Missing;
    CDib strip;          // 24 bits, kUserImageSize rows high, when Loaded
    int count = 0;       // whole images in the strip
    std::string message; // why an existing file was ignored
};

// Reads the strip with the program's BMP decoder. A missing file is Missing
// (no message); a file over kMaxUserImagesFileBytes, one that is no BMP, and a
// picture that is not 16 pixels high or narrower than one image are Ignored
// with a one-line reason naming the file.
UserImagesFile ReadUserImages(const std::filesystem::path& path);
