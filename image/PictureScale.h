#pragma once

#include <string>

// The scale a picture file carries, in the calibration's own terms.
struct CPictureScale {
    double pixelsPerCentimetre = 0; // > 0; x resolution (pictures with non-square pixels keep x)
    std::string unit;               // the calibration's unit text: "nm", "um", "mil", "mm" or "cm"
    std::string calibrationName;    // from our own tag/text chunk; empty from foreign files
    bool operator==(const CPictureScale&) const = default;
};
