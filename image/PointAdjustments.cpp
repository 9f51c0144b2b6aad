#include "image/Adjustments.h"
#include "image/HotLoops.h"

#include <algorithm>
#include <cstring>

namespace {

using Table = std::array<std::uint8_t, 256>;

// Sets the progress for `done` of `count` rows; false when asked to stop.
bool RowStep(CDib& image, int done, int count) {
    image.SetProgress(count > 0 ? static_cast<int>(100LL * done / count) : 0);
    return !image.Escape();
}

Table BrightnessTable(int brightness) {
    Table table{};
    for (int v = 0; v < 256; ++v) {
        // Contrast 1.0 around 128: (b + 128) + 1.0 * (v - 128), rounded.
        const int value = static_cast<int>((brightness + 128) + 1.0 * (v - 128) + 0.5);
        table[v] = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
    }
    return table;
}

// Every selected pixel of the selection box, every byte of it through
// `span(bytes, count)`.
template <class Span>
bool MapSelected(CDib& image, Span span) {
    const SelectionBox box = image.Selection();
    const int bytes = image.BytesPerPixel();
    for (int row = box.bottom; row < box.top; ++row) {
        if (!RowStep(image, row - box.bottom, box.top - box.bottom)) {
            return false;
        }
        std::uint8_t* pixels = image.Row(row);
        ForEachSelectedRun(image.SelectionRow(row), box.left, box.right, [&](int start, int end) {
            span(pixels + static_cast<std::size_t>(start) * bytes,
                 static_cast<std::size_t>(end - start) * bytes);
        });
    }
    return true;
}

template <class Span>
bool MapAll(CDib& image, Span span) {
    for (int row = 0; row < image.Height(); ++row) {
        if (!RowStep(image, row, image.Height())) {
            return false;
        }
        span(image.Row(row), image.Stride());
    }
    return true;
}

void MapPalette(CDib& image, const Table& table) {
    std::vector<RgbQuad> palette(image.Palette().begin(), image.Palette().end());
    for (RgbQuad& entry : palette) {
        entry.red = table[entry.red];
        entry.green = table[entry.green];
        entry.blue = table[entry.blue];
    }
    image.SetPalette(palette);
}

// `table` is the mapping of one byte, for palettes; `span` does the same to
// a run of bytes, vectorised.
template <class Span>
bool MapPixels(CDib& image, const Table& table, Span span) {
    if (image.BitsPerPixel() > 8 || image.IsGrayScale()) {
        return image.HasSelection() ? MapSelected(image, span) : MapAll(image, span);
    }
    MapPalette(image, table);
    return true;
}

} // namespace

bool AdjustBrightness(CDib& image, int brightness) {
    if (!image.IsValid()) {
        return true;
    }
    const Table table = BrightnessTable(brightness);
    // The table is v + brightness, clamped: the span form adds directly.
    const auto span = [brightness](std::uint8_t* bytes, std::size_t count) {
        AddClampedSpan(bytes, count, brightness);
    };
    if (image.BitsPerPixel() > 8) {
        return MapPixels(image, table, span);
    }
    // A grey picture keeps its palette only when a selection limits the change.
    if (image.IsGrayScale() && image.HasSelection()) {
        return MapSelected(image, span);
    }
    MapPalette(image, table);
    return true;
}

bool InvertColors(CDib& image) {
    if (!image.IsValid()) {
        return true;
    }
    Table table{};
    for (int v = 0; v < 256; ++v) {
        table[v] = static_cast<std::uint8_t>(255 - v);
    }
    image.SetBackgroundColor(image.BackgroundColor() ^ 0x00FFFFFFu);
    return MapPixels(image, table, InvertSpan);
}

bool MirrorLeftRight(CDib& image) {
    const int width = image.Width();
    // The reversed row is written back over the picture from a spare copy,
    // which has the byte past the pixels the row loop may touch.
    const std::size_t used = 3 * static_cast<std::size_t>(width);
    std::vector<std::uint8_t> spare(used + 16);
    for (int row = 0; row < image.Height(); ++row) {
        if (!RowStep(image, row, image.Height())) {
            return false;
        }
        std::uint8_t* pixels = image.Row(row);
        if (image.BitsPerPixel() == 8) {
            std::reverse(pixels, pixels + width);
            continue;
        }
        std::memcpy(spare.data(), pixels, used);
        MirrorRow24(spare.data(), pixels, width);
    }
    return true;
}

bool FlipUpsideDown(CDib& image) {
    std::vector<std::uint8_t> spare(image.Stride());
    const int height = image.Height();
    for (int row = 0; row < height / 2; ++row) {
        if (!RowStep(image, row, height / 2)) {
            return false;
        }
        std::uint8_t* low = image.Row(row);
        std::uint8_t* high = image.Row(height - 1 - row);
        std::memcpy(spare.data(), low, image.Stride());
        std::memcpy(low, high, image.Stride());
        std::memcpy(high, spare.data(), image.Stride());
    }
    return true;
}
