#pragma once

#include <cstddef>
#include <cstdint>

// The magnifier's scratch buffer: one block of 120000 bytes allocated at start
// and freed at exit. The image views copy the square around the cursor into
// it (24-bit, bottom-up, rows padded to 4 bytes) and notify the magnifier,
// which draws it. GUI thread only.
inline constexpr std::size_t kMagnifierBufferBytes = 120000;

// Allocates the buffer unless it exists already.
void AllocateMagnifierBuffer();
void FreeMagnifierBuffer();

// The buffer, or nullptr outside the application's run.
std::uint8_t* MagnifierBuffer();
