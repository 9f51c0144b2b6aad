#pragma once

#include "image/Dib.h"

// The benchmark picture: 2592 x 1944, 24 bits, a microscope-like mix of smooth
// shading, round dark features and sensor noise.
inline constexpr int kBenchWidth = 2592;
inline constexpr int kBenchHeight = 1944;
const CDib& BenchPicture();
