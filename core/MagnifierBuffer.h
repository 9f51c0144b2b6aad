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

// How far the magnifier enlarges: state 1, 2 or 3 shows a square of 100, 50
// or 30 picture pixels; any other state shows nothing. The magnifier changes
// it on clicks; the image views read it to fill the buffer.
struct CMagnifierState {
    int zoomState = 1;
};

extern CMagnifierState g_magnifier;

// The side of the square for a zoom state, 0 when it shows nothing.
int MagnifierSide(int zoomState);
