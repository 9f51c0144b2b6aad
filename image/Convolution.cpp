#include "image/Adjustments.h"
#include "image/HotLoops.h"

#include <algorithm>
#include <cstring>
#include <vector>

const ConvolutionKernel kSharpenKernel{{-1, -1, -1, -1, 15, -1, -1, -1, -1}, 7, 0};
// On the picture: 127 + upper-left neighbour - lower-right neighbour.
const ConvolutionKernel kReliefKernel{{0, 0, -1, 0, 0, 0, 1, 0, 0}, -1, 127};

namespace {

inline std::uint8_t Clamp(int value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// The three source rows around the row being written: below, centre, above
// (nullptr outside the picture). They hold unchanged pixels.
struct Rows {
    const std::uint8_t* row[3];
};

// Any pixel, including those whose taps fall outside the picture.
void ConvolvePixel(const ConvolutionKernel& k, int total, const Rows& rows, int x, int width,
                   int bytes, std::uint8_t* out) {
    int sum[3] = {0, 0, 0};
    int used = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        const std::uint8_t* row = rows.row[dy + 1];
        if (row == nullptr) {
            continue;
        }
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx;
            if (nx < 0 || nx >= width) {
                continue;
            }
            const int tap = k.taps[(dx + 1) + 3 * (dy + 1)];
            for (int c = 0; c < bytes; ++c) {
                sum[c] += tap * row[nx * bytes + c];
            }
            used += tap;
        }
    }
    for (int c = 0; c < bytes; ++c) {
        int value;
        if (k.factor == 0 || used == 0) {
            value = sum[c] + k.offset;
        } else if (used == total) {
            value = sum[c] / k.factor + k.offset;
        } else {
            value = (sum[c] * total) / (used * k.factor) + k.offset;
        }
        out[x * bytes + c] = Clamp(value);
    }
}

// Bytes [begin, end) of a row whose pixels have every tap inside the
// picture, so the plain rule applies (the kernel total is used).
using InteriorFunction = void (*)(const Rows&, std::size_t, std::size_t, int, std::uint8_t*);

void SharpenInterior(const Rows& rows, std::size_t begin, std::size_t end, int bytes,
                     std::uint8_t* out) {
    SharpenSpan(rows.row[0], rows.row[1], rows.row[2], begin, end, static_cast<std::size_t>(bytes),
                out);
}

void ReliefInterior(const Rows& rows, std::size_t begin, std::size_t end, int bytes,
                    std::uint8_t* out) {
    ReliefSpan(rows.row[0], rows.row[2], begin, end, static_cast<std::size_t>(bytes), out);
}

// The kernels with a fast row loop; others go pixel by pixel.
InteriorFunction InteriorFor(const ConvolutionKernel& k) {
    if (k.taps == kSharpenKernel.taps && k.factor == kSharpenKernel.factor &&
        k.offset == kSharpenKernel.offset) {
        return SharpenInterior;
    }
    if (k.taps == kReliefKernel.taps && k.offset == kReliefKernel.offset) {
        return ReliefInterior; // the total is 0, so the factor never divides
    }
    return nullptr;
}

// Pixels [a, b) of stored row `row`, all selected.
void ConvolveRun(const ConvolutionKernel& k, int total, InteriorFunction interior, const Rows& rows,
                 int row, int height, int a, int b, int width, int bytes, std::uint8_t* out) {
    const bool innerRow = row > 0 && row < height - 1;
    int x = a;
    if (innerRow && interior != nullptr) {
        for (; x < b && x == 0; ++x) {
            ConvolvePixel(k, total, rows, x, width, bytes, out);
        }
        const int stop = std::min(b, width - 1);
        if (x < stop) {
            interior(rows, static_cast<std::size_t>(x) * bytes,
                     static_cast<std::size_t>(stop) * bytes, bytes, out);
            x = stop;
        }
    }
    for (; x < b; ++x) {
        ConvolvePixel(k, total, rows, x, width, bytes, out);
    }
}

bool ConvolveIndexed(CDib& image, const ConvolutionKernel& k) {
    const int width = image.Width();
    const int height = image.Height();
    const int bytes = image.BytesPerPixel();
    const SelectionBox box = image.WorkBox();
    if (box.IsEmpty()) {
        return true;
    }
    int total = 0;
    for (int tap : k.taps) {
        total += tap;
    }
    const InteriorFunction interior = InteriorFor(k);
    // Rows are written in place bottom-up; the unchanged copies of the row
    // below and of the current row are kept aside, the row above is still
    // untouched in the picture.
    const std::size_t stride = image.Stride();
    std::vector<std::uint8_t> saved(2 * stride);
    std::uint8_t* savedBelow = saved.data();
    std::uint8_t* savedCentre = saved.data() + stride;
    if (box.bottom > 0) {
        std::memcpy(savedBelow, image.Row(box.bottom - 1), stride);
    }
    for (int row = box.bottom; row < box.top; ++row) {
        image.SetProgress(100 * (row - box.bottom) / (box.top - box.bottom));
        if (image.Escape()) {
            return false;
        }
        std::memcpy(savedCentre, image.Row(row), stride);
        const Rows rows{{row > 0 ? savedBelow : nullptr, savedCentre,
                         row + 1 < height ? image.Row(row + 1) : nullptr}};
        std::uint8_t* out = image.Row(row);
        if (!image.HasSelection()) {
            ConvolveRun(k, total, interior, rows, row, height, box.left, box.right, width, bytes,
                        out);
        } else {
            ForEachSelectedRun(image.SelectionRow(row), box.left, box.right,
                               [&](int start, int end) {
                                   ConvolveRun(k, total, interior, rows, row, height, start, end,
                                               width, bytes, out);
                               });
        }
        std::swap(savedBelow, savedCentre);
    }
    return true;
}

} // namespace

bool Convolve(CDib& image, const ConvolutionKernel& kernel) {
    if (!image.IsValid()) {
        return true;
    }
    if (image.BitsPerPixel() == 24 || image.IsGrayScale()) {
        return ConvolveIndexed(image, kernel);
    }
    // A colour palette is worked on in true colour and mapped back to it.
    const std::vector<RgbQuad> palette(image.Palette().begin(), image.Palette().end());
    if (!image.ConvertTo24Bits()) {
        return false;
    }
    const bool done = ConvolveIndexed(image, kernel);
    return image.ConvertTo8Bits(palette) && done;
}

bool Sharpen(CDib& image) {
    return Convolve(image, kSharpenKernel);
}

bool Relief(CDib& image) {
    return Convolve(image, kReliefKernel);
}
