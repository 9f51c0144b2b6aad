#include "app/MagnifierBuffer.h"

#include <memory>

namespace {
std::unique_ptr<std::uint8_t[]> g_buffer;
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
