#pragma once

#include <cstdint>

// In-place reorderings of a delivered frame (24-bit BGR, rows bottom-up, each
// row `stride` bytes). They move whole pixels only: the padding bytes at the
// end of a row (when width × 3 is not a multiple of 4) stay where and what
// they are, so a picture never shifts or smears at odd widths.

// Reverses the pixels within every row (left and right swap).
void MirrorFrame(std::uint8_t* bgr, int width, int height, int stride);

// Reverses the order of all pixels of the frame: a half turn.
void RotateFrame(std::uint8_t* bgr, int width, int height, int stride);

// Mirror and/or rotate, in that order. Both together are a vertical flip,
// done by swapping whole rows, which costs about one copy of the frame.
void TurnFrame(std::uint8_t* bgr, int width, int height, int stride, bool mirror, bool rotate);

// Copies the rows of `source` into `target` in the opposite order (a
// bottom-up frame becomes top-down), `targetStride` bytes per target row;
// only width × 3 bytes of each row are copied.
void CopyRowsFlipped(const std::uint8_t* source, int sourceStride, std::uint8_t* target,
                     int targetStride, int width, int height);
