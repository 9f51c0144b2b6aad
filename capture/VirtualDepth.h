#pragma once

// Where the virtual microscope's specimens lie in depth, so that tests and the
// picture generator agree. Heights are in focus-control steps: a point is
// sharp when the Focus control equals its height.
namespace VirtualDepth {

// The flat test card lies at the default focus.
inline constexpr int kTestCardHeight = 500;

// The tilted specimen: rising from left to right through most of the focus
// range and bulging towards the middle row, so every point is sharp somewhere
// in 0..1000. u and v are fractions of the width and height (0..1).
inline double SurfaceHeight(double u, double v) {
    const double across = 2.0 * v - 1.0;
    return 150.0 + 650.0 * u + 100.0 * (1.0 - across * across);
}

// The blur (a Gaussian's sigma in pixels) of a point `defocus` focus steps
// away from its height, in a picture `height` pixels tall: a picture of any
// size shows the same depth of field.
inline double BlurSigma(double defocus, int height) {
    const double steps = defocus < 0 ? -defocus : defocus;
    return steps * 0.04 * height / 1080.0;
}

} // namespace VirtualDepth
