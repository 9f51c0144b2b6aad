#pragma once

#include "image/Dib.h"

#include <limits>
#include <optional>
#include <string>

// Which pixels are objects: those darker or those lighter than the threshold.
enum class ParticleObjects { Dark, Light };

// How the threshold is chosen: three automatic methods on the grey-level
// histogram, or the manual level.
enum class ThresholdMethod {
    Otsu,     // largest between-class variance
    Triangle, // farthest histogram level from the line peak–far end
    Default,  // iterative intermediate (IsoData variant users know as "Default")
    Manual,   // manualThreshold
};

// How objects are measured: from a sub-pixel boundary of the grey values
// (Precise), or on the thresholded pixels with the pixel-based definitions
// that existing lab data were measured with (ImageJ).
enum class ParticleMeasures { Precise, ImageJ };

struct CParticleOptions {
    ParticleObjects objects = ParticleObjects::Dark;
    ThresholdMethod method = ThresholdMethod::Otsu;
    // Dark objects are grey ≤ level, light objects grey > level.
    int manualThreshold = 128;
    // Radius in pixels of the background removed before thresholding; 0 = none.
    int flattenRadius = 0;
    // Kept objects' area range, in the calibrated unit² (pixels² without one).
    double minArea = 0;
    double maxArea = std::numeric_limits<double>::infinity();
    bool excludeEdges = false; // drop objects touching the picture or region border
    bool fillHoles = false;    // count holes as part of their object
    bool split = false;        // cut touching objects apart
    ParticleMeasures measures = ParticleMeasures::Precise;
    // Only this part of the picture, in the picture's selection convention
    // (columns left..right-1, stored rows bottom..top-1); none = whole picture.
    std::optional<SelectionBox> region;
};

// Lengths per picture pixel and the unit's text, from the calibration in
// force; an empty unit means pixels.
struct CParticleScale {
    double unitsPerPixel = 1;
    std::string unit;
};
