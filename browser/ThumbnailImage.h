#pragma once

#include <array>
#include <cstdint>
#include <vector>

// A thumbnail is a 60 × 60 picture: white, the picture fitted in with its
// aspect kept and centred, framed by a 1-pixel grey border RGB(192, 192, 192).
inline constexpr int kThumbnailSide = 60;

// Where the picture goes inside the thumbnail, in thumbnail pixels.
struct ThumbnailPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ThumbnailPlacement&) const = default;
};

// The longer side becomes 60, the shorter 60 × shorter / longer rounded (at
// least 1 pixel, so a hair-thin picture stays visible), centred at
// (60 − side) / 2. Empty for a picture without pixels.
ThumbnailPlacement PlaceThumbnail(int width, int height);

// The finished thumbnail: 60 rows top-down of 60 pixels blue, green, red.
struct CThumbnail {
    std::array<std::uint8_t, kThumbnailSide * kThumbnailSide * 3> bgr{};

    const std::uint8_t* Pixel(int x, int y) const {
        return bgr.data() + 3 * (y * kThumbnailSide + x);
    }
};

// A thumbnail without a picture: white with the frame.
CThumbnail BlankThumbnail();

// Shrinks a picture of width × height into its placement while its rows
// stream past (top-down, blue-green-red, 3 bytes a pixel): each thumbnail
// pixel is the mean of the source pixels that fall into it, so any subset of
// rows may be given, as long as every thumbnail row gets at least one. A
// picture smaller than its placement is enlarged by repeating pixels.
class CThumbnailShrinker {
public:
    CThumbnailShrinker(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    const ThumbnailPlacement& placement() const { return m_placement; }

    // The thumbnail row that picture row y falls into.
    int TargetRow(int y) const;
    // The first picture row of thumbnail row `row` (row == height: the end).
    int FirstSourceRow(int row) const;

    // The first picture column of thumbnail column bin `bin` (bin == the
    // number of bins: the end), and the number of column bins.
    int FirstSourceColumn(int bin) const;
    int ColumnBins() const { return m_binsX; }

    void AddRow(int y, const std::uint8_t* bgr);
    // One pixel, for pictures read at a few samples per thumbnail pixel.
    void AddPixel(int x, int y, const std::uint8_t* bgr);

    // The finished thumbnail; rows that got no picture row stay white.
    CThumbnail Finish() const;

private:
    int m_width;
    int m_height;
    ThumbnailPlacement m_placement;
    int m_binsX; // bins per row: the placement's width, or fewer for a narrow picture
    int m_binsY;
    std::vector<int> m_binOfColumn; // made by the first AddRow: a sampled wide picture needs none
    std::vector<std::uint64_t> m_sums; // blue, green, red, count per bin
};
