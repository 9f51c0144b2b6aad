#pragma once

#include "image/Dib.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

// TIFF through libtiff. Reads 1-bit, palette, 8- and 16-bit grey, RGB and
// RGBA, strips and tiles, every compression libtiff knows, both byte orders
// and BigTIFF; the first page is shown and PageCount() counts the pages.
// 16-bit samples are shown through the picture's own minimum–maximum range,
// alpha is composited on white, and the resolution tags (with an ImageJ
// description or our own tag) give Scale(). A broken or hostile file fails
// with the library's reason in `dib.LastError()`; sizes are checked against
// `limits` before anything is allocated.
bool LooksLikeTiff(std::span<const std::uint8_t> data);
bool DecodeTiff(std::span<const std::uint8_t> data, CDib& dib, const DecodeLimits& limits);

// For previews of large files: the file's reduced page closest to (and not
// under) `maxSide` on its longer side where it has one, else its first page,
// of which a striped one gives only every n-th pixel of every n-th row
// (decoding only the strips those rows lie in) while the result stays at
// least `maxSide` on its longer side.
bool LoadTiffPreviewPage(const std::filesystem::path& path, int maxSide, CDib& dib,
                         const DecodeLimits& limits);

// Lossless Deflate strips: 24-bit pictures as RGB, grey ones as 8-bit grey,
// other palette pictures through their colours; carries dib.Scale(). `out` is
// replaced.
bool EncodeTiff(const CDib& dib, std::vector<std::uint8_t>& out);
