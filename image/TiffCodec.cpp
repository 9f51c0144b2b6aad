#include "image/TiffCodec.h"

#include "image/DecodedSamples.h"
#include "image/TiffIo.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <new>

namespace {

// Pages past this many are not counted: a file may chain any number.
constexpr int kMaxPages = 10000;

struct PageLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 1;
    std::uint16_t samples = 1;
    std::uint16_t photometric = 0xFFFF; // none given: the RGBA reader guesses
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t format = SAMPLEFORMAT_UINT;
    std::uint16_t extraCount = 0;
    std::uint16_t extraType = EXTRASAMPLE_UNSPECIFIED;
};

PageLayout ReadLayout(TIFF* tiff) {
    PageLayout page;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &page.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &page.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &page.bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &page.samples);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &page.photometric);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &page.planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &page.format);
    std::uint16_t* extras = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &page.extraCount, &extras) &&
        page.extraCount > 0 && extras != nullptr) {
        page.extraType = extras[0];
    }
    return page;
}

// The samples of the page, every `factor`-th row and column of it.
CDecodedSamples SamplesOf(const PageLayout& page, int factor) {
    CDecodedSamples samples;
    samples.width = static_cast<int>((page.width + factor - 1) / factor);
    samples.height = static_cast<int>((page.height + factor - 1) / factor);
    samples.channels = page.samples;
    samples.bits = page.bits;
    samples.premultiplied = page.extraType == EXTRASAMPLE_ASSOCALPHA;
    samples.signedSamples = page.format == SAMPLEFORMAT_INT;
    samples.minIsWhite = page.photometric == PHOTOMETRIC_MINISWHITE;
    return samples;
}

// The picture for a page: 8 bits with the grey palette, or 24 bits.
bool AllocatePage(CDib& dib, int width, int height, bool grey, const DecodeLimits& limits,
                  CTiffErrors& errors) {
    if (!dib.Allocate(width, height, grey ? 8 : 24, limits.maxPixelBytes)) {
        errors.first = dib.LastError();
        return false;
    }
    if (grey) {
        SetGreyPalette(dib);
    }
    return true;
}

// Grey or RGB with at most one extra sample, 8 or 16 bits, interleaved: read
// as raw samples, which keeps 16 bits for the minimum–maximum range.
bool RawReadable(const PageLayout& page) {
    const bool grey = (page.photometric == PHOTOMETRIC_MINISBLACK ||
                       page.photometric == PHOTOMETRIC_MINISWHITE) &&
                      (page.samples == 1 || page.samples == 2);
    const bool colour =
        page.photometric == PHOTOMETRIC_RGB && (page.samples == 3 || page.samples == 4);
    const bool format =
        page.format == SAMPLEFORMAT_UINT || (page.format == SAMPLEFORMAT_INT && page.bits == 16);
    return (grey || colour) && (page.bits == 8 || page.bits == 16) && format &&
           page.planar == PLANARCONFIG_CONTIG;
}

bool ReadStrips(TIFF* tiff, CDecodedSamples& samples) {
    std::uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, samples.height);
    const std::size_t rowBytes = samples.RowBytes();
    for (std::uint32_t row = 0; row < static_cast<std::uint32_t>(samples.height);
         row += rowsPerStrip) {
        const std::uint32_t rows = std::min<std::uint32_t>(rowsPerStrip, samples.height - row);
        const tmsize_t wanted = static_cast<tmsize_t>(rows * rowBytes);
        if (TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, row, 0),
                                 samples.bytes.data() + row * rowBytes, wanted) < 0) {
            return false;
        }
    }
    return true;
}

bool ReadTiles(TIFF* tiff, CDecodedSamples& samples, std::size_t maxBytes) {
    std::uint32_t tileWidth = 0;
    std::uint32_t tileHeight = 0;
    TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileHeight);
    const std::uint64_t tileSize = TIFFTileSize64(tiff);
    const std::size_t pixelBytes = samples.RowBytes() / samples.width;
    if (tileWidth == 0 || tileHeight == 0 || tileSize == 0 || tileSize > maxBytes ||
        tileSize < std::uint64_t{tileWidth} * tileHeight * pixelBytes) {
        return false;
    }
    std::vector<std::uint8_t> tile(tileSize);
    for (std::uint32_t y = 0; y < static_cast<std::uint32_t>(samples.height); y += tileHeight) {
        for (std::uint32_t x = 0; x < static_cast<std::uint32_t>(samples.width); x += tileWidth) {
            if (TIFFReadTile(tiff, tile.data(), x, y, 0, 0) < 0) {
                return false;
            }
            const std::uint32_t columns = std::min<std::uint32_t>(tileWidth, samples.width - x);
            const std::uint32_t rows = std::min<std::uint32_t>(tileHeight, samples.height - y);
            for (std::uint32_t r = 0; r < rows; ++r) {
                std::memcpy(samples.bytes.data() + (y + r) * samples.RowBytes() + x * pixelBytes,
                            tile.data() + r * tileWidth * pixelBytes, columns * pixelBytes);
            }
        }
    }
    return true;
}

// Plain 8-bit grey or RGB strips, the kind we write: converted strip by strip
// straight into the picture, without a buffer of the whole picture.
bool DecodePlainStrips(TIFF* tiff, const PageLayout& page, CDib& dib, const DecodeLimits& limits,
                       CTiffErrors& errors) {
    const int width = static_cast<int>(page.width);
    const int height = static_cast<int>(page.height);
    const bool grey = page.samples == 1;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * page.samples;
    const std::uint64_t stripSize = TIFFStripSize64(tiff);
    if (TIFFScanlineSize64(tiff) != rowBytes || stripSize == 0 ||
        stripSize > limits.maxPixelBytes) {
        errors.first = "unexpected strip size";
        return false;
    }
    if (!AllocatePage(dib, width, height, grey, limits, errors)) {
        return false;
    }
    std::uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, page.height);
    std::vector<std::uint8_t> strip(stripSize);
    for (std::uint32_t top = 0; top < page.height; top += rowsPerStrip) {
        const std::uint32_t rows = std::min(rowsPerStrip, page.height - top);
        if (TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, top, 0), strip.data(),
                                 static_cast<tmsize_t>(rows * rowBytes)) < 0) {
            return false;
        }
        for (std::uint32_t r = 0; r < rows; ++r) {
            const std::uint8_t* in = strip.data() + r * rowBytes;
            std::uint8_t* out = dib.Row(dib.StoredRow(static_cast<int>(top + r)));
            std::memset(out + (grey ? width : 3 * width), 0,
                        dib.Stride() - (grey ? width : 3 * static_cast<std::size_t>(width)));
            if (grey) {
                std::memcpy(out, in, rowBytes);
                continue;
            }
            for (int x = 0; x < width; ++x, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
        }
    }
    return true;
}

bool DecodeRaw(TIFF* tiff, const PageLayout& page, CDib& dib, const DecodeLimits& limits,
               CTiffErrors& errors) {
    if (page.bits == 8 && (page.samples == 1 || page.samples == 3) &&
        page.photometric != PHOTOMETRIC_MINISWHITE && !TIFFIsTiled(tiff)) {
        return DecodePlainStrips(tiff, page, dib, limits, errors);
    }
    CDecodedSamples samples = SamplesOf(page, 1);
    // The samples may take up to 8 bytes a pixel where the picture takes 3.
    std::string error;
    if (!samples.Allocate(limits.maxPixelBytes / 3 * 8, error)) {
        errors.first = error;
        return false;
    }
    if (TIFFScanlineSize64(tiff) != samples.RowBytes()) {
        errors.first = "unexpected row size";
        return false;
    }
    const bool read = TIFFIsTiled(tiff) ? ReadTiles(tiff, samples, limits.maxPixelBytes)
                                        : ReadStrips(tiff, samples);
    if (!read) {
        return false;
    }
    if (!SamplesToDib(samples, dib, limits.maxPixelBytes)) {
        errors.first = dib.LastError();
        return false;
    }
    return true;
}

struct RgbaImage {
    TIFFRGBAImage image{};
    bool begun = false;
    ~RgbaImage() {
        if (begun) {
            TIFFRGBAImageEnd(&image);
        }
    }
};

// Every other kind (palette, 1-bit, YCbCr, JPEG, CMYK, separate planes)
// through libtiff's RGBA reader, a band of rows at a time.
bool DecodeRgba(TIFF* tiff, const PageLayout& page, CDib& dib, const DecodeLimits& limits,
                CTiffErrors& errors) {
    char message[1024] = "";
    RgbaImage rgba;
    if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&rgba.image, tiff, 0, message)) {
        errors.first = message;
        return false;
    }
    rgba.begun = true;
    rgba.image.req_orientation = ORIENTATION_TOPLEFT;
    const bool grey = (page.photometric == PHOTOMETRIC_MINISBLACK ||
                       page.photometric == PHOTOMETRIC_MINISWHITE) &&
                      page.samples == 1;
    const int width = static_cast<int>(page.width);
    const int height = static_cast<int>(page.height);
    if (!AllocatePage(dib, width, height, grey, limits, errors)) {
        return false;
    }
    std::uint32_t band = 0;
    if (!TIFFGetField(tiff, TIFFIsTiled(tiff) ? TIFFTAG_TILELENGTH : TIFFTAG_ROWSPERSTRIP, &band)) {
        band = 64;
    }
    band = std::clamp<std::uint32_t>(band, 1, std::max<std::uint32_t>(1, (1u << 22) / page.width));
    band = std::min<std::uint32_t>(band, page.height);
    std::vector<std::uint32_t> raster;
    try {
        raster.resize(static_cast<std::size_t>(band) * page.width);
    } catch (const std::bad_alloc&) {
        errors.first = "out of memory";
        return false;
    }
    for (int y = 0; y < height; y += static_cast<int>(band)) {
        const int rows = std::min(static_cast<int>(band), height - y);
        rgba.image.row_offset = y;
        rgba.image.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba.image, raster.data(), page.width, rows)) {
            return false;
        }
        for (int r = 0; r < rows; ++r) {
            const std::uint32_t* in = raster.data() + static_cast<std::size_t>(r) * width;
            std::uint8_t* out = dib.Row(dib.StoredRow(y + r));
            std::memset(out, 0, dib.Stride());
            for (int x = 0; x < width; ++x) {
                // The reader's colours are premultiplied: add the white left uncovered.
                const unsigned white = 255 - TIFFGetA(in[x]);
                if (grey) {
                    out[x] = static_cast<std::uint8_t>(TIFFGetR(in[x]) + white);
                } else {
                    out[3 * x] = static_cast<std::uint8_t>(TIFFGetB(in[x]) + white);
                    out[3 * x + 1] = static_cast<std::uint8_t>(TIFFGetG(in[x]) + white);
                    out[3 * x + 2] = static_cast<std::uint8_t>(TIFFGetR(in[x]) + white);
                }
            }
        }
    }
    return true;
}

bool DecodeCurrentPage(TIFF* tiff, CDib& dib, const DecodeLimits& limits, CTiffErrors& errors) {
    const PageLayout page = ReadLayout(tiff);
    if (page.width == 0 || page.height == 0 || page.width > INT_MAX || page.height > INT_MAX) {
        errors.first = "invalid picture size";
        return false;
    }
    if (CDib::StrideFor(static_cast<int>(page.width), 24) > limits.maxPixelBytes / page.height) {
        errors.first = "picture too large";
        return false;
    }
    const bool decoded = RawReadable(page) ? DecodeRaw(tiff, page, dib, limits, errors)
                                           : DecodeRgba(tiff, page, dib, limits, errors);
    if (!decoded) {
        return false;
    }
    dib.SetType(ImageType::Tiff);
    dib.SetScale(ReadTiffScale(tiff));
    return true;
}

// Every factor-th pixel of every factor-th row of a striped page, decoding
// only the strips those rows lie in: a preview of a large picture without a
// reduced page.
bool DecodeSubsampledStrips(TIFF* tiff, const PageLayout& page, int factor, CDib& dib,
                            const DecodeLimits& limits, CTiffErrors& errors) {
    CDecodedSamples samples = SamplesOf(page, factor);
    std::string error;
    const std::uint64_t stripSize = TIFFStripSize64(tiff);
    const std::size_t pixelBytes = samples.RowBytes() / samples.width;
    const std::size_t rowBytes = pixelBytes * page.width;
    if (!samples.Allocate(limits.maxPixelBytes / 3 * 8, error) || stripSize == 0 ||
        stripSize > limits.maxPixelBytes || TIFFScanlineSize64(tiff) != rowBytes) {
        errors.first = error.empty() ? "unexpected strip size" : error;
        return false;
    }
    std::uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, page.height);
    std::vector<std::uint8_t> strip(stripSize);
    tstrip_t loaded = static_cast<tstrip_t>(-1);
    for (int oy = 0; oy < samples.height; ++oy) {
        const std::uint32_t y = static_cast<std::uint32_t>(oy) * factor;
        const tstrip_t wanted = TIFFComputeStrip(tiff, y, 0);
        if (wanted != loaded && TIFFReadEncodedStrip(tiff, wanted, strip.data(),
                                                     static_cast<tmsize_t>(stripSize)) < 0) {
            return false;
        }
        loaded = wanted;
        const std::uint8_t* in = strip.data() + (y % rowsPerStrip) * rowBytes;
        std::uint8_t* out = samples.bytes.data() + samples.RowBytes() * oy;
        for (int ox = 0; ox < samples.width; ++ox) {
            std::memcpy(out + ox * pixelBytes, in + ox * pixelBytes * factor, pixelBytes);
        }
    }
    if (!SamplesToDib(samples, dib, limits.maxPixelBytes)) {
        errors.first = dib.LastError();
        return false;
    }
    dib.SetType(ImageType::Tiff);
    return true;
}

bool IsReducedPage(TIFF* tiff) {
    std::uint32_t kind = 0;
    return TIFFGetField(tiff, TIFFTAG_SUBFILETYPE, &kind) && (kind & FILETYPE_REDUCEDIMAGE) != 0;
}

// Full pages, leaving the handle on the first directory; 0 when the chain of
// directories breaks (a loop, a directory outside the file).
int CountPages(TIFF* tiff) {
    int pages = 0;
    int directories = 0;
    bool read = true;
    do {
        pages += IsReducedPage(tiff) ? 0 : 1;
        ++directories;
        read = directories < kMaxPages && TIFFReadDirectory(tiff);
    } while (read);
    const bool broken = directories < kMaxPages && !TIFFLastDirectory(tiff);
    TIFFSetDirectory(tiff, 0);
    return broken ? 0 : std::max(pages, 1);
}

std::size_t LibraryAllocationLimit(const DecodeLimits& limits) {
    return std::max<std::size_t>(limits.maxPixelBytes, std::size_t{64} << 20);
}

} // namespace

bool LooksLikeTiff(std::span<const std::uint8_t> data) {
    if (data.size() < 4) {
        return false;
    }
    const bool little = data[0] == 'I' && data[1] == 'I' && data[3] == 0;
    const bool big = data[0] == 'M' && data[1] == 'M' && data[2] == 0;
    const std::uint8_t version = little ? data[2] : data[3];
    return (little || big) && (version == 42 || version == 43);
}

bool DecodeTiff(std::span<const std::uint8_t> data, CDib& dib, const DecodeLimits& limits) {
    if (!LooksLikeTiff(data)) {
        dib.SetError("Decode: Unknown or wrong format");
        return false;
    }
    CTiffMemory memory{data};
    CTiffErrors errors;
    const TiffHandle tiff = OpenTiffMemory(memory, "r", errors, LibraryAllocationLimit(limits));
    if (!tiff) {
        dib.SetError(errors.Text("cannot read the file"));
        return false;
    }
    // A broken chain of pages makes the file suspect as a whole.
    const int pages = CountPages(tiff.get());
    if (pages == 0 && errors.first.empty()) {
        errors.first = "broken chain of pages";
    }
    if (pages == 0 || !DecodeCurrentPage(tiff.get(), dib, limits, errors)) {
        dib.SetError(errors.Text("cannot read the picture"));
        return false;
    }
    dib.SetPageCount(pages);
    return true;
}

bool LoadTiffPreviewPage(const std::filesystem::path& path, int maxSide, CDib& dib,
                         const DecodeLimits& limits) {
    CTiffErrors errors;
    const TiffHandle tiff = OpenTiffFile(path, "r", errors);
    if (!tiff) {
        dib.SetError(errors.Text("cannot read the file"));
        return false;
    }
    // The smallest reduced page still at least maxSide on its longer side.
    tdir_t chosen = 0;
    std::uint64_t chosenSide = 0;
    for (tdir_t page = 0; page < kMaxPages; ++page) {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
        const std::uint64_t side = std::max(width, height);
        const bool reduced = page > 0 && IsReducedPage(tiff.get());
        if (page == 0 ||
            (reduced && side >= static_cast<std::uint64_t>(maxSide) && side < chosenSide)) {
            chosen = page;
            chosenSide = side;
        }
        if (!TIFFReadDirectory(tiff.get())) {
            break;
        }
    }
    if (!TIFFSetDirectory(tiff.get(), chosen)) {
        dib.SetError(errors.Text("cannot read the picture"));
        return false;
    }
    const PageLayout page = ReadLayout(tiff.get());
    // A reduced page is small already and is averaged down whole instead.
    const int factor = chosen == 0 && maxSide > 0 ? static_cast<int>(chosenSide / maxSide) : 1;
    if (factor > 1 && !TIFFIsTiled(tiff.get()) && RawReadable(page)) {
        if (!DecodeSubsampledStrips(tiff.get(), page, factor, dib, limits, errors)) {
            dib.SetError(errors.Text("cannot read the picture"));
            return false;
        }
        return true;
    }
    if (!DecodeCurrentPage(tiff.get(), dib, limits, errors)) {
        dib.SetError(errors.Text("cannot read the picture"));
        return false;
    }
    return true;
}

bool EncodeTiff(const CDib& dib, std::vector<std::uint8_t>& out) {
    out.clear();
    if (!dib.IsValid()) {
        dib.SetError("No picture");
        return false;
    }
    const bool grey = dib.IsGrayScale();
    const int width = dib.Width();
    const std::uint16_t channels = grey ? 1 : 3;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels;
    CTiffErrors errors;
    CTiffMemory memory{{}, &out};
    {
        // Classic TIFF holds offsets up to 4 GB; larger pictures need BigTIFF.
        const bool big = dib.ImageSize() > (std::size_t{3} << 30);
        const TiffHandle tiff = OpenTiffMemory(memory, big ? "w8" : "w", errors, 0);
        if (!tiff) {
            dib.SetError(errors.Text("cannot write the file"));
            return false;
        }
        TIFF* t = tiff.get();
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(dib.Height()));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, channels);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        // Strips of about 256 KB keep Deflate efficient and the file seekable.
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP,
                     static_cast<std::uint32_t>(std::max<std::size_t>(1, (256 << 10) / rowBytes)));
        if (dib.Scale()) {
            WriteTiffScale(t, *dib.Scale());
        }
        std::vector<std::uint8_t> row(rowBytes);
        for (int y = 0; y < dib.Height(); ++y) {
            const std::uint8_t* in = dib.Row(dib.StoredRow(y));
            if (grey) {
                std::memcpy(row.data(), in, rowBytes);
            } else if (dib.BitsPerPixel() == 8) {
                for (int x = 0; x < width; ++x) {
                    const RgbQuad c = dib.PaletteColor(in[x]);
                    row[3 * x] = c.red;
                    row[3 * x + 1] = c.green;
                    row[3 * x + 2] = c.blue;
                }
            } else {
                for (int x = 0; x < width; ++x, in += 3) {
                    row[3 * x] = in[2];
                    row[3 * x + 1] = in[1];
                    row[3 * x + 2] = in[0];
                }
            }
            if (TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0) < 0) {
                break;
            }
        }
    }
    if (!errors.first.empty()) {
        out.clear();
        dib.SetError(errors.Text("cannot write the file"));
        return false;
    }
    return true;
}
