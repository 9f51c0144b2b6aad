#include "core/MagnifierBuffer.h"

#include <memory>

namespace {
std::unique_ptr<std::uint8_t[]> g_buffer;
}

CMagnifierState g_magnifier;

int MagnifierSide(int zoomState) {
    switch (zoomState) {
    case 1:
        return 100;
    case 2:
        return 50;
    case 3:
        return 30;
    default:
        return 0;
    }
}

void AllocateMagnifierBuffer() {
    if (!g_buffer) {
        g_buffer = std::make_unique<std::uint8_t[]>(kMagnifierBufferBytes);
    }
}

void FreeMagnifierBuffer() {
    g_buffer.reset();
}

std::uint8_t* MagnifierBuffer() {
    return g_buffer.get();
}
