#pragma once

#include "image/Dib.h"

#include <cstdint>
#include <span>
#include <vector>

// PNG through libpng. Reads every kind (1- to 16-bit grey and colour,
// palette, alpha, transparency, interlaced): 16-bit samples are shown through
// the picture's own minimum–maximum range and alpha is composited on white.
// The pHYs chunk (or our own text chunk) gives Scale(). A broken or hostile
// file fails with the library's reason in `dib.LastError()`; sizes are
// checked against `limits` before anything is allocated.
bool LooksLikePng(std::span<const std::uint8_t> data);
bool DecodePng(std::span<const std::uint8_t> data, CDib& dib, const DecodeLimits& limits);

// 24-bit pictures as RGB, grey ones as 8-bit grey, other palette pictures
// with their palette; carries dib.Scale(). `out` is replaced.
bool EncodePng(const CDib& dib, std::vector<std::uint8_t>& out);
