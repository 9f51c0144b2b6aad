#pragma once

#include "image/Dib.h"

#include <array>
#include <optional>

// Area adjustments of a picture: each changes the selected pixels (the whole
// picture without a selection) in place, reports progress through the
// picture's progress value and stops at the next row once its escape flag is
// set. They return false when they stopped early or ran out of memory; the
// picture may then be partly changed, so callers that must not show that work
// on a copy (CStillPicture does).

// The operation codes are the program's command identifiers.
enum class AreaOperation : int {
    Relief = 32835,
    Sharpen = 32782,
    Smooth = 32840,
    EdgeDetection = 32841,
    InverseColor = 32842,
    Darker = 32774,
    Brighter = 32843,
    Mirror = 32828,
    Flip = 32832,
};

// The operation of an area mode (2 relief ... 8 brighter); none for others.
std::optional<AreaOperation> OperationForAreaMode(int areaMode);

// Runs one operation; an unknown code changes nothing and succeeds.
bool ApplyAreaOperation(CDib& image, AreaOperation operation);

// Picture rectangle, ends included: columns x1..x2, picture rows y1..y2 (y down).
struct PictureRect {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    bool operator==(const PictureRect&) const = default;
};

// The picture rectangle under a view rectangle (client coordinates, any
// corner order) with the view scrolled by (scrollX, scrollY) and drawn at
// `zoom`: each coordinate is (client + scroll) / zoom, truncated.
PictureRect PictureRectFromView(int left, int top, int right, int bottom, int scrollX, int scrollY,
                                double zoom);

// Clears the selection and selects `rect` (clamped to the picture).
void SelectPictureRect(CDib& image, const PictureRect& rect);

// Brightness: every channel v becomes v + brightness, clamped to 0..255
// (darker is -25, brighter +25). Palette pictures change their palette unless
// they are grey with a selection.
bool AdjustBrightness(CDib& image, int brightness);
// 255 - v on every channel, and the background colour too.
bool InvertColors(CDib& image);
// Whole picture, selection untouched.
bool MirrorLeftRight(CDib& image);
bool FlipUpsideDown(CDib& image);

// 3x3 convolution with the integer rules of the adjustments: taps outside the
// picture are left out and the sum is rescaled by the kernel total over the
// total of the taps used. Kernel index (dx + 1) + 3 * (dy + 1), dy along
// stored rows (upwards on the picture).
struct ConvolutionKernel {
    std::array<int, 9> taps;
    int factor;
    int offset;
};
extern const ConvolutionKernel kSharpenKernel;
extern const ConvolutionKernel kReliefKernel;
bool Convolve(CDib& image, const ConvolutionKernel& kernel);
bool Sharpen(CDib& image);
bool Relief(CDib& image);

// Gaussian blur of radius 1: the three weights (left, centre, right).
std::array<float, 3> SmoothWeights();
bool Smooth(CDib& image);

// Otsu threshold of the grey levels of the work box, then the boundary of the
// dark areas painted pure red (one pixel wide, never on the box's border).
// Palette pictures become 24-bit first so that red can be shown.
bool DetectEdges(CDib& image);
// The grey level edge detection uses: (59 green + 11 blue + 30 red) / 100.
inline int EdgeGrey(int blue, int green, int red) {
    return (59 * green + 11 * blue + 30 * red) / 100;
}
// Otsu's threshold of a 256-bin histogram (single precision, first best wins,
// 125 when no split scores above 0).
int OtsuThreshold(const std::array<std::uint64_t, 256>& histogram);
