#pragma once

#include "framework/Colorref.h"
#include "framework/DrawContext.h"
#include "framework/DrawSurface.h"
#include "image/PictureScale.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// File types by the ids the image dialogs use (core/ImageFormats.h).
enum class ImageType : int { Unknown = 0, Bmp = 1, Jpeg = 3, Png = 4, Tiff = 6 };

struct RgbQuad {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;
    bool operator==(const RgbQuad&) const = default;
};

// Bounds of the selected pixels: columns left..right-1, stored rows bottom..top-1.
struct SelectionBox {
    int left = 0;
    int right = 0;
    int bottom = 0;
    int top = 0;
    bool IsEmpty() const { return left >= right || bottom >= top; }
    bool operator==(const SelectionBox&) const = default;
};

// Limits a decoder applies to untrusted files.
struct DecodeLimits {
    std::size_t maxPixelBytes = std::size_t{1} << 30; // pixel buffer of the decoded picture
};

// Calls run(start, end) for each maximal run of selected columns
// (mask byte non-zero) within left..right-1 of one selection row.
template <typename Run>
void ForEachSelectedRun(const std::uint8_t* mask, int left, int right, Run&& run) {
    int x = left;
    while (x < right) {
        while (x < right && mask[x] == 0) {
            ++x;
        }
        const int start = x;
        while (x < right && mask[x] != 0) {
            ++x;
        }
        if (start < x) {
            run(start, x);
        }
    }
}

// A device-independent bitmap: rows stored bottom-up (stored row 0 is the
// bottom row of the picture), each padded to a multiple of 4 bytes. Depth is
// 24 bits (blue, green, red) or 8 bits with a palette of up to 256 entries;
// decoders widen every other depth to one of these.
//
// The selection is an optional mask with one byte per pixel in the same row
// order as the pixels (non-zero = selected) plus the box bounding it; the
// empty box is left = width, right = 0, bottom = height, top = 0.
//
// Threads: one writer at a time; progress and escape may be read and set from
// any thread while an adjustment writes the pixels.
class CDib {
public:
    static constexpr int kDefaultJpegQuality = 90;

    CDib() = default;
    CDib(const CDib& other);
    CDib& operator=(const CDib& other);
    CDib(CDib&& other) noexcept { SwapContent(other); }
    CDib& operator=(CDib&& other) noexcept {
        SwapContent(other);
        return *this;
    }
    ~CDib();

    // A picture of the given size, all bytes 0. `bitsPerPixel` 8 gets a
    // 256-entry grey palette. Fails (and keeps nothing) for other depths,
    // non-positive sizes or a pixel buffer past the decode limit.
    bool Create(int width, int height, int bitsPerPixel,
                std::size_t maxPixelBytes = DecodeLimits{}.maxPixelBytes);
    void Destroy();

    bool IsValid() const { return m_width > 0; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int BitsPerPixel() const { return m_bitsPerPixel; }
    int BytesPerPixel() const { return m_bitsPerPixel / 8; }
    std::size_t Stride() const { return m_stride; } // bytes per stored row
    std::size_t ImageSize() const { return m_stride * static_cast<std::size_t>(m_height); }
    static std::size_t StrideFor(int width, int bitsPerPixel);

    // Stored row `row` (0 = bottom of the picture); no range check.
    std::uint8_t* Row(int row) { return m_bits.get() + m_stride * static_cast<std::size_t>(row); }
    const std::uint8_t* Row(int row) const {
        return m_bits.get() + m_stride * static_cast<std::size_t>(row);
    }
    // The stored row of picture row y (0 = top of the picture).
    int StoredRow(int pictureY) const { return m_height - 1 - pictureY; }
    std::uint8_t* Bits() { return m_bits.get(); }
    const std::uint8_t* Bits() const { return m_bits.get(); }

    // Palette (8-bit pictures): up to 256 entries; indices past the end read black.
    std::span<const RgbQuad> Palette() const { return {m_palette.data(), m_paletteSize}; }
    void SetPalette(std::span<const RgbQuad> entries);
    RgbQuad PaletteColor(std::uint8_t index) const { return m_palette[index]; }
    // 8 bits with 256 entries where entry i is grey level i.
    bool IsGrayScale() const;

    // The colour of a pixel in picture coordinates (x right, y down).
    RgbQuad PixelColor(int x, int pictureY) const;

    // Selection.
    bool HasSelection() const { return !m_selection.empty(); }
    const SelectionBox& Selection() const { return m_box; }
    const std::uint8_t* SelectionRow(int row) const {
        return m_selection.data() + static_cast<std::size_t>(m_width) * row;
    }
    bool IsSelected(int x, int row) const {
        return m_selection.empty() || SelectionRow(row)[x] != 0;
    }
    // Unselects every pixel (keeping the mask) and empties the box.
    void SelectionClear();
    // Drops the mask: the whole picture counts as selected again.
    void SelectionDelete();
    // Selects columns x1..x2 and picture rows y1..y2, ends included, clamped
    // to the picture; creates the mask if there is none.
    void SelectionAddRect(int x1, int y1, int x2, int y2, std::uint8_t level = 255);
    // The box of the pixels an adjustment visits: the selection box, or the
    // whole picture without a selection.
    SelectionBox WorkBox() const;

    // Adjustment feedback, 0..100, and the request to stop at the next row.
    int Progress() const { return m_progress.load(std::memory_order_relaxed); }
    void SetProgress(int percent) { m_progress.store(percent, std::memory_order_relaxed); }
    bool Escape() const { return m_escape.load(std::memory_order_relaxed); }
    void SetEscape(bool escape) { m_escape.store(escape, std::memory_order_relaxed); }

    int JpegQuality() const { return m_jpegQuality; }
    void SetJpegQuality(int quality) { m_jpegQuality = quality; }
    COLORREF BackgroundColor() const { return m_background; }
    void SetBackgroundColor(COLORREF color) { m_background = color; }

    // The type the picture was decoded as (Unknown for a created one).
    ImageType Type() const { return m_type; }
    // The scale the file carried (set by Load and Decode), and the scale Save
    // and Encode write into TIFF and PNG files; BMP and JPEG ignore it.
    const std::optional<CPictureScale>& Scale() const { return m_scale; }
    void SetScale(std::optional<CPictureScale> scale) { m_scale = std::move(scale); }
    // Pages of the file the picture was decoded from (its first page is
    // shown); 1 for every other picture.
    int PageCount() const { return m_pageCount; }
    void SetPageCount(int pages) { m_pageCount = pages; }
    // The reason of the last failed load, decode, save or encode.
    const std::string& LastError() const { return m_error; }

    // Decoding: with Unknown, the data's signature picks BMP, JPEG, PNG or
    // TIFF; a failed typed decode is retried as Unknown, so a JPEG named .bmp
    // still opens (and the other way round). On failure the picture is emptied and LastError says
    // why
    // ("Decode: Unknown or wrong format" or the codec's text).
    bool Load(const std::filesystem::path& path, ImageType type);
    bool Decode(std::span<const std::uint8_t> data, ImageType type,
                const DecodeLimits& limits = {});

    // Encoding: BMP keeps the depth (24 bits or 8 bits with palette); JPEG is
    // written at JpegQuality(); TIFF (Deflate) and PNG are lossless and carry
    // Scale(). Save writes a temporary file beside `path` and
    // renames it, so a failure leaves an existing file untouched.
    bool Save(const std::filesystem::path& path, ImageType type) const;
    bool Encode(ImageType type, std::vector<std::uint8_t>& out) const;

    // Pixels, palette, selection, background, scale and page count of `other`; false (and an
    // error text) when memory runs out.
    bool CopyFrom(const CDib& other);
    // Exchanges everything but progress and escape.
    void SwapContent(CDib& other) noexcept;

    // Makes a 24-bit picture of what was drawn on a surface (type Unknown, no
    // selection); false (and an error text) when it is empty or too large.
    bool CreateFromSurface(const CSurfacePixels& pixels,
                           std::size_t maxPixelBytes = DecodeLimits{}.maxPixelBytes);
    // The pixels for CDrawContext::StretchBitmap; valid while the picture is
    // neither changed nor moved.
    CBitmapView View() const;
    // Draws the whole picture stretched onto the box of width × height pixels
    // at (x, y), each pixel from the nearest picture pixel.
    void Draw(CDrawContext& dc, int x, int y, int width, int height) const {
        dc.StretchBitmap(x, y, width, height, View());
    }

    // Converts a palette picture to 24 bits; a 24-bit picture stays as it is.
    bool ConvertTo24Bits();
    // Maps a 24-bit picture back to 8 bits with `palette`, each pixel to the
    // nearest entry (grey palettes map by grey level).
    bool ConvertTo8Bits(std::span<const RgbQuad> palette);

    // For decoders: allocates an uninitialised pixel buffer (reusing the
    // current one when it is large enough), sets an empty palette, no
    // selection. False when the buffer would pass `maxPixelBytes`.
    bool Allocate(int width, int height, int bitsPerPixel, std::size_t maxPixelBytes);
    void SetType(ImageType type) { m_type = type; }
    void SetError(std::string text) const { m_error = std::move(text); }

private:
    bool DecodeAs(std::span<const std::uint8_t> data, ImageType type, const DecodeLimits& limits);

    int m_width = 0;
    int m_height = 0;
    int m_bitsPerPixel = 0;
    std::size_t m_stride = 0;
    std::unique_ptr<std::uint8_t[]> m_bits;
    std::size_t m_capacity = 0;
    std::array<RgbQuad, 256> m_palette{};
    std::size_t m_paletteSize = 0;
    std::vector<std::uint8_t> m_selection;
    SelectionBox m_box;
    std::atomic<int> m_progress{0};
    std::atomic<bool> m_escape{false};
    int m_jpegQuality = kDefaultJpegQuality;
    COLORREF m_background = 0;
    ImageType m_type = ImageType::Unknown;
    std::optional<CPictureScale> m_scale;
    int m_pageCount = 1;
    mutable std::string m_error;
};
