#include "tests/image/PictureFixtures.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <png.h>
#include <tiffio.h>
#include <vector>

namespace {

constexpr std::array<int, 3> kAlphas{0, 128, 255};

int Level(int x, int y, int channel) {
    return (x * 4 + y * 3 + channel * 85) & 255;
}

int Alpha(int x, int y) {
    return kAlphas[Level(x, y, 0) % 3];
}

Rgb PaletteEntry(int index) {
    return Rgb{index, 255 - index, (index * 3) & 255};
}

// Samples of one pixel as the file stores them (before packing).
std::vector<unsigned> PixelSamples(const SampleKind& kind, int x, int y) {
    if (kind.palette) {
        return {static_cast<unsigned>(Level(x, y, 0))};
    }
    if (kind.bits == 1) {
        return {Level(x, y, 0) >= 128 ? 1u : 0u};
    }
    std::vector<unsigned> samples;
    const bool alpha = kind.channels == 2 || kind.channels == 4;
    const int colours = alpha ? kind.channels - 1 : kind.channels;
    for (int c = 0; c < colours; ++c) {
        const unsigned level = static_cast<unsigned>(Level(x, y, c));
        samples.push_back(kind.bits == 16 ? 1000 + level * 100 : level);
    }
    if (alpha) {
        const unsigned a = static_cast<unsigned>(Alpha(x, y));
        samples.push_back(kind.bits == 16 ? a * 257 : a);
    }
    return samples;
}

std::vector<std::uint8_t> PackedRow(const SampleKind& kind, int y, int width, bool bigEndian) {
    std::vector<std::uint8_t> row;
    if (kind.bits == 1) {
        row.assign((width + 7) / 8, 0);
        for (int x = 0; x < width; ++x) {
            if (PixelSamples(kind, x, y)[0] != 0) {
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        return row;
    }
    for (int x = 0; x < width; ++x) {
        for (unsigned sample : PixelSamples(kind, x, y)) {
            if (kind.bits == 16) {
                const auto high = static_cast<std::uint8_t>(sample >> 8);
                const auto low = static_cast<std::uint8_t>(sample & 255);
                row.push_back(bigEndian ? high : low);
                row.push_back(bigEndian ? low : high);
            } else {
                row.push_back(static_cast<std::uint8_t>(sample));
            }
        }
    }
    return row;
}

} // namespace

Rgb ExpectedColor(const SampleKind& kind, int x, int y) {
    int a = 255;
    Rgb c;
    if (kind.palette) {
        c = PaletteEntry(Level(x, y, 0));
        a = kind.paletteAlpha ? Alpha(x, y) : 255;
    } else if (kind.bits == 1) {
        const int level = Level(x, y, 0) >= 128 ? 255 : 0;
        c = Rgb{level, level, level};
    } else {
        const bool grey = kind.channels <= 2;
        c = Rgb{Level(x, y, 0), Level(x, y, grey ? 0 : 1), Level(x, y, grey ? 0 : 2)};
        a = kind.channels == 2 || kind.channels == 4 ? Alpha(x, y) : 255;
    }
    const auto over = [a](int level) {
        return (level * a + 127) / 255 + 255 - a;
    };
    return Rgb{over(c.red), over(c.green), over(c.blue)};
}

void WriteTiffFixture(const std::string& path, const TiffFixture& f, int width, int height) {
    TIFF* tiff = TIFFOpen(path.c_str(), f.mode);
    const SampleKind& kind = f.samples;
    // libtiff takes samples in the machine's order and swaps them itself.
    const bool bigEndian = false;
    for (int page = 0; page < f.pages; ++page) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, kind.bits);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, kind.palette ? 1 : kind.channels);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, f.compression);
        const int photometric = kind.palette         ? PHOTOMETRIC_PALETTE
                                : f.ycbcr            ? PHOTOMETRIC_YCBCR
                                : kind.channels >= 3 ? PHOTOMETRIC_RGB
                                                     : PHOTOMETRIC_MINISBLACK;
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
        if (f.ycbcr) {
            TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
            TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 95);
        }
        if (kind.channels == 2 || kind.channels == 4) {
            const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        if (kind.palette) {
            std::vector<std::uint16_t> red(256), green(256), blue(256);
            for (int i = 0; i < 256; ++i) {
                const Rgb c = PaletteEntry(i);
                red[i] = static_cast<std::uint16_t>(c.red * 257);
                green[i] = static_cast<std::uint16_t>(c.green * 257);
                blue[i] = static_cast<std::uint16_t>(c.blue * 257);
            }
            TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
        }
        if (f.pages > 1) {
            TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
            TIFFSetField(tiff, TIFFTAG_PAGENUMBER, page, f.pages);
        }
        // Later pages differ, so showing the first one is checked.
        const int shift = page * 17;
        if (f.tiled) {
            constexpr int kTile = 16;
            TIFFSetField(tiff, TIFFTAG_TILEWIDTH, kTile);
            TIFFSetField(tiff, TIFFTAG_TILELENGTH, kTile);
            const std::size_t pixelBytes = PackedRow(kind, 0, 1, bigEndian).size();
            std::vector<std::uint8_t> tile(kTile * kTile * pixelBytes);
            for (int ty = 0; ty < height; ty += kTile) {
                for (int tx = 0; tx < width; tx += kTile) {
                    std::fill(tile.begin(), tile.end(), 0);
                    for (int r = 0; r < kTile && ty + r < height; ++r) {
                        const auto row = PackedRow(kind, ty + r + shift, width, bigEndian);
                        const std::size_t columns = std::min(kTile, width - tx) * pixelBytes;
                        std::copy_n(row.begin() + tx * pixelBytes, columns,
                                    tile.begin() + r * kTile * pixelBytes);
                    }
                    TIFFWriteTile(tiff, tile.data(), tx, ty, 0, 0);
                }
            }
        } else {
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, f.rowsPerStrip);
            for (int y = 0; y < height; ++y) {
                auto row = PackedRow(kind, y + shift, width, bigEndian);
                TIFFWriteScanline(tiff, row.data(), y, 0);
            }
        }
        TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
}

void WritePngFixture(const std::string& path, const PngFixture& f, int width, int height) {
    FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    const SampleKind& kind = f.samples;
    const int type = kind.palette         ? PNG_COLOR_TYPE_PALETTE
                     : kind.channels == 1 ? PNG_COLOR_TYPE_GRAY
                     : kind.channels == 2 ? PNG_COLOR_TYPE_GRAY_ALPHA
                     : kind.channels == 3 ? PNG_COLOR_TYPE_RGB
                                          : PNG_COLOR_TYPE_RGB_ALPHA;
    png_set_IHDR(png, info, width, height, kind.bits, type,
                 f.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette(256);
    std::vector<png_byte> alphas(256);
    if (kind.palette) {
        for (int i = 0; i < 256; ++i) {
            const Rgb c = PaletteEntry(i);
            palette[i] = png_color{static_cast<png_byte>(c.red), static_cast<png_byte>(c.green),
                                   static_cast<png_byte>(c.blue)};
            alphas[i] = static_cast<png_byte>(kAlphas[i % 3]);
        }
        png_set_PLTE(png, info, palette.data(), 256);
        if (kind.paletteAlpha) {
            png_set_tRNS(png, info, alphas.data(), 256, nullptr);
        }
    }
    png_write_info(png, info);
    std::vector<std::vector<std::uint8_t>> rows;
    std::vector<png_bytep> pointers;
    for (int y = 0; y < height; ++y) {
        rows.push_back(PackedRow(kind, y, width, true));
    }
    for (auto& row : rows) {
        pointers.push_back(row.data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
