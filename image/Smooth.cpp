#include "image/Adjustments.h"
#include "image/HotLoops.h"

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

// A sample at an end of its line (neighbours `step` bytes away): only the
// weights of samples inside the line count, and the sum, left to right, is
// divided by their total.
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

// The same for a column end, with the neighbours in other rows.
inline std::uint8_t EndSampleAcross(const Weights& w, const std::uint8_t* below, std::uint8_t at,
                                    const std::uint8_t* above) {
    float sum = 0.0f;
    float scale = 0.0f;
    if (below != nullptr) {
        sum += w.left * static_cast<float>(*below);
        scale += w.left;
    }
    sum += w.centre * static_cast<float>(at);
    scale += w.centre;
    if (above != nullptr) {
        sum += w.right * static_cast<float>(*above);
        scale += w.right;
    }
    return Round(sum / scale);
}

bool SmoothTrueColor(CDib& image) {
    const std::array<float, 3> k = SmoothWeights();
    const Weights w{k[0], k[1], k[2]};
    // Rows and columns share one loop: neighbours `bytes` apart in a row, or
    // in the rows below and above.
    const SelectionBox box = image.WorkBox();
    if (box.IsEmpty()) {
        return true;
    }
    const int width = image.Width();
    const int height = image.Height();
    const int bytes = image.BytesPerPixel();
    // Only the box and one row on each side feed the result. Rows are blurred
    // one ahead of the column pass into a ring of three, so the column pass
    // of a row reads row-blurred lines only and may write the picture.
    const std::size_t span = static_cast<std::size_t>(box.right - box.left) * bytes;
    const std::size_t offset = static_cast<std::size_t>(box.left) * bytes;
    std::vector<std::uint8_t> ring(3 * span);
    auto slot = [&](int row) {
        return span * static_cast<std::size_t>(row % 3);
    };
    auto blurRow = [&](int row) {
        const std::uint8_t* in = image.Row(row) + offset;
        std::uint8_t* out = ring.data() + slot(row);
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
            SmoothSpan(in + done - bytes, in + done, in + done + bytes, count, out + done);
            done += count;
            x = stop;
        }
        if (x < box.right) {
            for (int c = 0; c < bytes; ++c) {
                out[done + c] = EndSample(w, in + done + c, bytes, x > 0, false);
            }
        }
    };
    int nextToBlur = std::max(0, box.bottom - 1);
    std::vector<std::uint8_t> column(span);
    for (int row = box.bottom; row < box.top; ++row) {
        image.SetProgress(100 * (row - box.bottom) / (box.top - box.bottom));
        if (image.Escape()) {
            return false;
        }
        for (; nextToBlur <= std::min(row + 1, height - 1); ++nextToBlur) {
            blurRow(nextToBlur);
        }
        const bool hasBelow = row > 0;
        const bool hasAbove = row + 1 < height;
        // Without a selection the result goes straight into the picture.
        std::uint8_t* target = image.HasSelection() ? column.data() : image.Row(row) + offset;
        if (hasBelow && hasAbove) {
            SmoothSpan(ring.data() + slot(row - 1), ring.data() + slot(row),
                       ring.data() + slot(row + 1), span, target);
        } else {
            const std::uint8_t* at = ring.data() + slot(row);
            for (std::size_t i = 0; i < span; ++i) {
                target[i] =
                    EndSampleAcross(w, hasBelow ? ring.data() + slot(row - 1) + i : nullptr, at[i],
                                    hasAbove ? ring.data() + slot(row + 1) + i : nullptr);
            }
        }
        if (!image.HasSelection()) {
            continue;
        }
        std::uint8_t* out = image.Row(row) + offset;
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
