#pragma once

#include "framework/DrawContext.h"

#include <cstddef>
#include <cstdint>

#include <QRect>

// One row of `count` pixels between the 24-bit blue-green-red layout of
// device-independent bitmaps and 32-bit pixels 0xFFRRGGBB (native byte order).
void BgrToXrgb(const std::uint8_t* bgr, std::uint32_t* xrgb, int count);
void XrgbToBgr(const std::uint32_t* xrgb, std::uint8_t* bgr, int count);

// Where destination pixel `d` of a stretch to `destLength` pixels samples a
// source of `sourceLength` pixels: the source pixel under the destination
// pixel's centre, floor((2d + 1) × sourceLength / (2 × destLength)).
int StretchSourceIndex(int d, int destLength, int sourceLength);

// Writes `part` of `source` stretched to destWidth × destHeight pixels as
// 32-bit pixels 0xFFRRGGBB (native byte order, Qt's RGB32). `part` is in the
// stretched picture's coordinates (y down) and must lie inside it; its first
// row goes to `out`, each further row `outStride` bytes on. Sources that are
// not 24 or 8 bits write nothing. Row-wise: a source row is converted once
// and repeated for every destination row that samples it.
void StretchToXrgb(const CBitmapView& source, int destWidth, int destHeight, const QRect& part,
                   std::uint8_t* out, std::ptrdiff_t outStride);
