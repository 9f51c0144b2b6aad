#pragma once

#include "image/PictureScale.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <tiffio.h>
#include <vector>

// What the TIFF codec and the band writer share: handles whose errors are
// kept (never printed, never fatal), files in memory, and the scale tags.

// The first error libtiff reported on a handle, with the module it came from.
struct CTiffErrors {
    std::string first;
    std::string Text(const char* fallback) const;
};

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// Memory a handle reads from or writes to; it must outlive the handle.
struct CTiffMemory {
    std::span<const std::uint8_t> data;       // reading
    std::vector<std::uint8_t>* out = nullptr; // writing
    std::uint64_t position = 0;
};

// `mode` as for TIFFOpen ("r", "w", "w8"). Single allocations of libtiff
// past `maxAllocation` bytes fail (0: no limit). Errors go to `errors`,
// which must outlive the handle.
TiffHandle OpenTiffMemory(CTiffMemory& memory, const char* mode, CTiffErrors& errors,
                          std::size_t maxAllocation);
TiffHandle OpenTiffFile(const std::filesystem::path& path, const char* mode, CTiffErrors& errors);

// Resolution tags in pixels per centimetre, an ImageJ description and our own
// record of the scale; call before the first pixels of a page.
void WriteTiffScale(TIFF* tiff, const CPictureScale& scale);
// The scale of the current page: our own record where it agrees with the
// resolution tags, else what the tags and an ImageJ description say.
std::optional<CPictureScale> ReadTiffScale(TIFF* tiff);
