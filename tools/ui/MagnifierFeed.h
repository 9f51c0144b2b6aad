#pragma once

#include <cstdint>
#include <span>

#include <QPoint>

class CDib;

// The bytes a side × side square takes in the magnifier buffer: 24 bits per
// pixel, each row padded to a multiple of 4 bytes.
std::size_t MagnifierSquareBytes(int side);

// Copies the side × side square of `picture` centred on `center` (picture
// pixels, y down), moved inside the picture at its edges, into `out` as a
// bottom-up 24-bit picture (blue, green, red). Where the picture is smaller
// than the square the rest stays black. False, writing nothing, when the
// picture is empty, the side is not positive or `out` is too small.
bool FillMagnifierSquare(const CDib& picture, QPoint center, int side, std::span<std::uint8_t> out);
