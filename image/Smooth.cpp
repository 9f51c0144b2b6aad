#include "image/Adjustments.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

std::array<float, 3> SmoothWeights() {
    // Radius 1: sigma 0.75, reach 1.5, three taps. Each side tap averages the
    // bell over 50 samples of its pixel; the centre averages 51 samples from
    // 0.5 outwards. Everything in single precision.
    const float radius = 1.0f;
    const float sigma = std::fabs(radius / 2.0f) + 0.25f;
    const float reach = 2.0f * sigma;
    const float twoSigmaSquared = 2.0f * sigma * sigma;
    const int length = 3;
    std::array<float, 3> weights{};
    for (int i = length / 2 + 1; i < length; ++i) {
        const float base = static_cast<float>(i - length / 2) - 0.5f;
        float sum = 0.0f;
        for (int j = 1; j <= 50; ++j) {
            const float x = base + 0.02f * static_cast<float>(j);
            if (x <= reach) {
                sum += std::exp(-(x * x) / twoSigmaSquared);
            }
        }
        weights[i] = sum / 50.0f;
        weights[length - 1 - i] = weights[i];
    }
    float centre = 0.0f;
    for (int j = 0; j <= 50; ++j) {
        const float x = 0.5f + 0.02f * static_cast<float>(j);
        centre += std::exp(-(x * x) / twoSigmaSquared);
    }
    weights[length / 2] = centre / 51.0f;
    const float total = weights[0] + weights[1] + weights[2];
    for (float& w : weights) {
        w /= total;
    }
    return weights;
}

namespace {

struct Weights {
    float left;
    float centre;
    float right;
};

inline std::uint8_t Round(float value) {
    return static_cast<std::uint8_t>(value + 0.5f);
}

// One line of `count` samples `step` bytes apart, `channels` interleaved.
// The sum runs left to right; at the ends only the weights of samples inside
// the line count and the sum is divided by their total.
inline std::uint8_t EndSample(const Weights& w, const std::uint8_t* at, std::ptrdiff_t step,
                              bool hasBefore, bool hasAfter) {
    float sum = 0.0f;
    float scale = 0.0f;
    if (hasBefore) {
        sum += w.left * static_cast<float>(at[-step]);
        scale += w.left;
    }
    sum += w.centre * static_cast<float>(at[0]);
    scale += w.centre;
    if (hasAfter) {
        sum += w.right * static_cast<float>(at[step]);
        scale += w.right;
    }
    return Round(sum / scale);
}

// out[i] = blur of below[i], centre[i], above[i] over `count` bytes: the same
// arithmetic for rows (neighbours `step` bytes away in one row) and columns
// (neighbours in the rows below and above).
inline void BlurSpan(const Weights& w, const std::uint8_t* before, const std::uint8_t* at,
                     const std::uint8_t* after, std::size_t count, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        const float sum = w.left * static_cast<float>(before[i]) +
                          w.centre * static_cast<float>(at[i]) +
                          w.right * static_cast<float>(after[i]);
        out[i] = Round(sum);
    }
}

bool SmoothTrueColor(CDib& image) {
    const std::array<float, 3> k = SmoothWeights();
    const Weights w{k[0], k[1], k[2]};
    const SelectionBox box = image.WorkBox();
    if (box.IsEmpty()) {
        return true;
    }
    const int width = image.Width();
    const int height = image.Height();
    const int bytes = image.BytesPerPixel();
    // Only the box and one row on each side feed the result; the column pass
    // reads the row-blurred lines, so the picture can take the result directly.
    const int firstRow = std::max(0, box.bottom - 1);
    const int lastRow = std::min(height, box.top + 1);
    const std::size_t span = static_cast<std::size_t>(box.right - box.left) * bytes;
    const std::size_t offset = static_cast<std::size_t>(box.left) * bytes;
    std::vector<std::uint8_t> blurred(span * static_cast<std::size_t>(lastRow - firstRow));
    const int rowCount = lastRow - firstRow;
    for (int row = firstRow; row < lastRow; ++row) {
        image.SetProgress(50 * (row - firstRow) / rowCount);
        if (image.Escape()) {
            return false;
        }
        const std::uint8_t* in = image.Row(row) + offset;
        std::uint8_t* out = blurred.data() + span * static_cast<std::size_t>(row - firstRow);
        int x = box.left;
        std::size_t done = 0;
        if (x == 0) {
            for (int c = 0; c < bytes; ++c) {
                out[c] = EndSample(w, in + c, bytes, false, width > 1);
            }
            done = static_cast<std::size_t>(bytes);
            x = 1;
        }
        const int stop = std::min(box.right, width - 1);
        if (x < stop) {
            const std::size_t count = static_cast<std::size_t>(stop - x) * bytes;
            BlurSpan(w, in + done - bytes, in + done, in + done + bytes, count, out + done);
            done += count;
            x = stop;
        }
        if (x < box.right) {
            for (int c = 0; c < bytes; ++c) {
                out[done + c] = EndSample(w, in + done + c, bytes, x > 0, false);
            }
        }
    }
    std::vector<std::uint8_t> column(span);
    for (int row = box.bottom; row < box.top; ++row) {
        image.SetProgress(50 + 50 * (row - box.bottom) / (box.top - box.bottom));
        if (image.Escape()) {
            return false;
        }
        const std::uint8_t* at = blurred.data() + span * static_cast<std::size_t>(row - firstRow);
        const bool hasBelow = row > 0;
        const bool hasAbove = row + 1 < height;
        if (hasBelow && hasAbove) {
            BlurSpan(w, at - span, at, at + span, span, column.data());
        } else {
            for (std::size_t i = 0; i < span; ++i) {
                column[i] =
                    EndSample(w, at + i, static_cast<std::ptrdiff_t>(span), hasBelow, hasAbove);
            }
        }
        std::uint8_t* out = image.Row(row) + offset;
        if (!image.HasSelection()) {
            std::memcpy(out, column.data(), span);
            continue;
        }
        const std::uint8_t* mask = image.SelectionRow(row) + box.left;
        for (int x = 0; x < box.right - box.left; ++x) {
            if (mask[x] != 0) {
                std::memcpy(out + static_cast<std::size_t>(x) * bytes,
                            column.data() + static_cast<std::size_t>(x) * bytes,
                            static_cast<std::size_t>(bytes));
            }
        }
    }
    return true;
}

} // namespace

bool Smooth(CDib& image) {
    if (!image.IsValid()) {
        return true;
    }
    if (image.BitsPerPixel() == 24 || image.IsGrayScale()) {
        return SmoothTrueColor(image);
    }
    const std::vector<RgbQuad> palette(image.Palette().begin(), image.Palette().end());
    if (!image.ConvertTo24Bits()) {
        return false;
    }
    const bool done = SmoothTrueColor(image);
    return image.ConvertTo8Bits(palette) && done;
}
