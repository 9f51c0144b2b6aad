#pragma once

#include "image/Dib.h"

#include <cstdint>
#include <span>
#include <vector>

// JPEG through libjpeg-turbo. Decoding gives a 24-bit picture (greyscale and
// CMYK pictures are converted); a broken or hostile file fails with the
// library's message in `dib.LastError()` instead of ending the process.
bool LooksLikeJpeg(std::span<const std::uint8_t> data);
bool DecodeJpeg(std::span<const std::uint8_t> data, CDib& dib, const DecodeLimits& limits);

// Encodes at `quality` (1..100); 8-bit grey pictures are written as greyscale
// JPEG, other palette pictures through their colours. `out` is replaced.
bool EncodeJpeg(const CDib& dib, int quality, std::vector<std::uint8_t>& out);
