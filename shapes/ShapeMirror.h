#pragma once

#include "shapes/Shape.h"

#include <memory>

// The axis a whole-picture flip turns the picture over.
enum class FlipAxis {
    LeftRight, // columns reversed: x becomes width − 1 − x
    UpDown,    // rows reversed: y becomes height − 1 − y
};

// The shape as it lies on the picture after the flip, so that it stays on the
// feature it measures: every placed point (the label anchor included) moves
// with the pixel under it and the kind's own geometry is rebuilt from the
// moved points, while serial, style, text, export mark, state and the
// measured values stay as they were (a mirror changes no length, area or
// angle). `extent` is the picture's width (LeftRight) or height (UpDown) in
// pixels. nullptr for a shape of no known kind.
std::unique_ptr<CShape> MirroredShape(const CShape& shape, FlipAxis axis, int extent);
