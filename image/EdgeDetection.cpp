#include "image/Adjustments.h"
#include "image/HotLoops.h"

#include <cstring>
#include <memory>
#include <vector>

int OtsuThreshold(const std::array<std::uint64_t, 256>& histogram) {
    std::uint64_t count = 0;
    std::uint64_t weighted = 0;
    for (int v = 0; v < 256; ++v) {
        count += histogram[v];
        weighted += histogram[v] * static_cast<std::uint64_t>(v);
    }
    int threshold = 125;
    float best = 0.0f;
    std::uint64_t low = 0;
    std::uint64_t lowWeighted = 0;
    for (int t = 0; t < 255; ++t) {
        low += histogram[t];
        lowWeighted += histogram[t] * static_cast<std::uint64_t>(t);
        if (low == 0 || low == count) {
            continue; // one side is empty: no split
        }
        const float w = static_cast<float>(low) / static_cast<float>(count);
        const float m0 = static_cast<float>(lowWeighted) / static_cast<float>(low);
        const float m1 =
            static_cast<float>(weighted - lowWeighted) / static_cast<float>(count - low);
        const float score = w * (1.0f - w) * (m1 - m0) * (m1 - m0);
        if (score > best) {
            best = score;
            threshold = t;
        }
    }
    return threshold;
}

bool DetectEdges(CDib& image) {
    if (!image.IsValid()) {
        return true;
    }
    if (image.BitsPerPixel() != 24 && !image.ConvertTo24Bits()) {
        return false;
    }
    const SelectionBox box = image.WorkBox();
    if (box.IsEmpty()) {
        return true;
    }
    const int columns = box.right - box.left;
    const int rows = box.top - box.bottom;
    // Grey levels of the box, then its histogram.
    const std::size_t cells = static_cast<std::size_t>(columns) * rows;
    const std::unique_ptr<std::uint8_t[]> map(new (std::nothrow) std::uint8_t[cells]);
    if (!map) {
        image.SetError("Out of memory");
        return false;
    }
    std::uint32_t parts[4][256] = {};
    for (int r = 0; r < rows; ++r) {
        image.SetProgress(50 * r / rows);
        if (image.Escape()) {
            return false;
        }
        const std::uint8_t* in = image.Row(box.bottom + r) + 3 * static_cast<std::size_t>(box.left);
        std::uint8_t* grey = map.get() + static_cast<std::size_t>(r) * columns;
        GreySpan(in, static_cast<std::size_t>(columns), grey);
        // Four part histograms keep the increments of equal levels apart.
        int x = 0;
        for (; x + 4 <= columns; x += 4) {
            ++parts[0][grey[x]];
            ++parts[1][grey[x + 1]];
            ++parts[2][grey[x + 2]];
            ++parts[3][grey[x + 3]];
        }
        for (; x < columns; ++x) {
            ++parts[0][grey[x]];
        }
    }
    std::array<std::uint64_t, 256> histogram{};
    for (int v = 0; v < 256; ++v) {
        histogram[v] = std::uint64_t{parts[0][v]} + parts[1][v] + parts[2][v] + parts[3][v];
    }
    const auto threshold = static_cast<std::uint8_t>(OtsuThreshold(histogram));
    // A dark pixel inside the box's border with a bright neighbour lies on the
    // boundary of a dark area: paint it red where it is selected.
    std::vector<std::uint8_t> edge(static_cast<std::size_t>(columns), 0);
    for (int r = 1; r + 1 < rows; ++r) {
        image.SetProgress(50 + 50 * r / rows);
        if (image.Escape()) {
            return false;
        }
        const std::uint8_t* below = map.get() + static_cast<std::size_t>(r - 1) * columns;
        const std::uint8_t* centre = below + columns;
        const std::uint8_t* above = centre + columns;
        BoundarySpan(below, centre, above, static_cast<std::size_t>(columns), threshold,
                     edge.data());
        const int row = box.bottom + r;
        std::uint8_t* out = image.Row(row) + 3 * static_cast<std::size_t>(box.left);
        const std::uint8_t* mask =
            image.HasSelection() ? image.SelectionRow(row) + box.left : nullptr;
        for (int x = 1; x + 1 < columns; ++x) {
            // Boundaries are rare: skip eight quiet pixels at a time.
            if (x + 8 < columns) {
                std::uint64_t eight;
                std::memcpy(&eight, edge.data() + x, 8);
                if (eight == 0) {
                    x += 7;
                    continue;
                }
            }
            if (edge[x] != 0 && (mask == nullptr || mask[x] != 0)) {
                std::uint8_t* pixel = out + 3 * static_cast<std::size_t>(x);
                pixel[0] = 0;
                pixel[1] = 0;
                pixel[2] = 255;
            }
        }
    }
    return true;
}
