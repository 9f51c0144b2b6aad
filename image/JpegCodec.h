#pragma once

#include "image/Dib.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// JPEG through libjpeg-turbo. Decoding gives a 24-bit picture (greyscale and
// CMYK pictures are converted); a broken or hostile file fails with the
// library's message in `dib.LastError()` instead of ending the process.
bool LooksLikeJpeg(std::span<const std::uint8_t> data);
bool DecodeJpeg(std::span<const std::uint8_t> data, CDib& dib, const DecodeLimits& limits);

// Encodes at `quality` (1..100); 8-bit grey pictures are written as greyscale
// JPEG, other palette pictures through their colours. `out` is replaced.
bool EncodeJpeg(const CDib& dib, int quality, std::vector<std::uint8_t>& out);

// Decodes at the smallest of libjpeg-turbo's scales (1/8, 1/4, 1/2, 1) whose
// longer side is still at least `minLongerSide`, for previews that need few
// pixels. `begin` gets the scaled size once; `row` gets each row top-down as
// width pixels of blue, green, red and may return false to stop (the call
// then fails with "cancelled"). Hostile data fails with a text in `error`.
struct JpegRowSink {
    std::function<bool(int width, int height)> begin;
    std::function<bool(int y, const std::uint8_t* bgr)> row;
};
bool DecodeJpegScaled(std::span<const std::uint8_t> data, int minLongerSide,
                      const JpegRowSink& sink, std::string& error);
