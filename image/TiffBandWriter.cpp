#include "image/TiffBandWriter.h"

#include "image/TiffIo.h"

#include <algorithm>
#include <cstring>
#include <future>
#include <libdeflate.h>
#include <new>
#include <system_error>
#include <thread>

namespace {

constexpr int kTile = 256;
// The reduced page for previews: at most this many pixels on its longer side.
constexpr int kOverviewSide = 1024;
// Compressing is most of the cost of writing a large picture; the tiles of a
// band are compressed by this many threads at most.
constexpr unsigned kMaxCompressors = 4;

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorDeleter>;

} // namespace

struct CTiffBandWriter::State {
    std::filesystem::path path;
    std::filesystem::path aside;
    CTiffErrors errors; // outlives the handle
    TiffHandle tiff;
    std::optional<CPictureScale> scale;
    int width = 0;
    int height = 0;
    int rowsDone = 0; // rows taken so far
    int bandRows = 0; // rows waiting in the band
    std::size_t bandStride = 0;
    std::vector<std::uint8_t> band; // kTile rows of RGB, padded to whole tiles
    // One compressor and one tile buffer per thread; the band's tiles
    // compressed, in order.
    std::vector<Compressor> compressors;
    std::vector<std::vector<std::uint8_t>> tiles;
    std::vector<std::vector<std::uint8_t>> packed;
    // Block means of the picture for the reduced page.
    int factor = 1;
    int overviewWidth = 0;
    int overviewHeight = 0;
    std::vector<std::uint32_t> sums;    // the overview row being summed
    std::vector<std::uint8_t> overview; // RGB rows, top-down

    ~State() {
        if (tiff) {
            tiff.reset();
            std::error_code ignored;
            std::filesystem::remove(aside, ignored);
        }
    }

    // Tile `index` of the band, zero-padded below the rows written, into
    // packed[index] with the `worker`th compressor. The fastest level: at
    // the default one, compressing takes several times as long for files
    // only a little smaller.
    bool PackTile(int index, std::size_t worker) {
        std::vector<std::uint8_t>& tile = tiles[worker];
        const std::size_t x = static_cast<std::size_t>(index) * kTile * 3;
        for (int r = 0; r < kTile; ++r) {
            std::uint8_t* out = tile.data() + static_cast<std::size_t>(r) * kTile * 3;
            if (r < bandRows) {
                std::memcpy(out, band.data() + r * bandStride + x, kTile * std::size_t{3});
            } else {
                std::memset(out, 0, kTile * std::size_t{3});
            }
        }
        std::vector<std::uint8_t>& out = packed[static_cast<std::size_t>(index)];
        out.resize(libdeflate_zlib_compress_bound(compressors[worker].get(), tile.size()));
        const std::size_t size = libdeflate_zlib_compress(compressors[worker].get(), tile.data(),
                                                          tile.size(), out.data(), out.size());
        out.resize(size);
        return size > 0;
    }

    // Compresses the band's tiles on several threads (each takes every
    // n-th tile), then writes them in order.
    bool FlushBand() {
        const int top = rowsDone - bandRows;
        const int count = (width + kTile - 1) / kTile;
        const std::size_t workers = compressors.size();
        const auto share = [&](std::size_t worker) {
            bool packedAll = true;
            for (int i = static_cast<int>(worker); i < count; i += static_cast<int>(workers)) {
                packedAll = PackTile(i, worker) && packedAll;
            }
            return packedAll;
        };
        std::vector<std::future<bool>> others;
        for (std::size_t w = 1; w < workers; ++w) {
            others.push_back(std::async(std::launch::async, share, w));
        }
        bool packedAll = share(0);
        for (std::future<bool>& other : others) {
            packedAll = other.get() && packedAll;
        }
        if (!packedAll) {
            errors.first = "cannot compress a tile";
            return false;
        }
        for (int i = 0; i < count; ++i) {
            std::vector<std::uint8_t>& data = packed[static_cast<std::size_t>(i)];
            if (TIFFWriteRawTile(tiff.get(), TIFFComputeTile(tiff.get(), i * kTile, top, 0, 0),
                                 data.data(), static_cast<tmsize_t>(data.size())) < 0) {
                return false;
            }
        }
        bandRows = 0;
        return true;
    }

    void AddToOverview(const std::uint8_t* rgb, int y) {
        if (factor == 1) {
            return;
        }
        // Block by block: a division per pixel would cost more than the sums.
        for (int ox = 0; ox < overviewWidth; ++ox) {
            std::uint32_t* sum = sums.data() + static_cast<std::size_t>(ox) * 3;
            const int end = std::min(width, (ox + 1) * factor);
            for (int x = ox * factor; x < end; ++x) {
                sum[0] += rgb[3 * x];
                sum[1] += rgb[3 * x + 1];
                sum[2] += rgb[3 * x + 2];
            }
        }
        if ((y + 1) % factor != 0 && y + 1 != height) {
            return;
        }
        const int rows = y % factor + 1;
        std::uint8_t* out =
            overview.data() + static_cast<std::size_t>(y / factor) * overviewWidth * 3;
        for (int ox = 0; ox < overviewWidth; ++ox) {
            const int columns = std::min(factor, width - ox * factor);
            const std::uint32_t count = static_cast<std::uint32_t>(rows * columns);
            for (int c = 0; c < 3; ++c) {
                out[3 * ox + c] = static_cast<std::uint8_t>((sums[3 * ox + c] + count / 2) / count);
            }
        }
        std::fill(sums.begin(), sums.end(), 0);
    }

    bool WriteOverview() {
        TIFF* t = tiff.get();
        TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(overviewWidth));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(overviewHeight));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 64);
        for (int y = 0; y < overviewHeight; ++y) {
            if (TIFFWriteScanline(t,
                                  overview.data() + static_cast<std::size_t>(y) * overviewWidth * 3,
                                  static_cast<std::uint32_t>(y), 0) < 0) {
                return false;
            }
        }
        return TIFFWriteDirectory(t) != 0;
    }
};

CTiffBandWriter::CTiffBandWriter() = default;
CTiffBandWriter::~CTiffBandWriter() = default;

bool CTiffBandWriter::Open(const std::filesystem::path& path, int width, int height,
                           std::optional<CPictureScale> scale) {
    m_state.reset();
    m_error.clear();
    if (width <= 0 || height <= 0) {
        m_error = "Invalid picture size";
        return false;
    }
    auto state = std::make_unique<State>();
    state->path = path;
    state->aside = path;
    state->aside += ".part";
    state->width = width;
    state->height = height;
    state->scale = std::move(scale);
    const int tilesAcross = (width + kTile - 1) / kTile;
    state->bandStride = static_cast<std::size_t>(tilesAcross) * kTile * 3;
    const int longer = std::max(width, height);
    state->factor = longer > kOverviewSide ? (longer + kOverviewSide - 1) / kOverviewSide : 1;
    state->overviewWidth = (width + state->factor - 1) / state->factor;
    state->overviewHeight = (height + state->factor - 1) / state->factor;
    try {
        state->band.assign(state->bandStride * kTile, 0);
        const unsigned workers =
            std::clamp(std::thread::hardware_concurrency(), 1U, kMaxCompressors);
        for (unsigned w = 0; w < workers; ++w) {
            state->compressors.emplace_back(libdeflate_alloc_compressor(1));
            if (!state->compressors.back()) {
                throw std::bad_alloc();
            }
            state->tiles.emplace_back(std::size_t{kTile} * kTile * 3);
        }
        state->packed.resize(static_cast<std::size_t>(tilesAcross));
        if (state->factor > 1) {
            state->sums.assign(static_cast<std::size_t>(state->overviewWidth) * 3, 0);
            state->overview.assign(
                static_cast<std::size_t>(state->overviewWidth) * state->overviewHeight * 3, 0);
        }
    } catch (const std::bad_alloc&) {
        m_error = "Out of memory";
        return false;
    }
    state->tiff = OpenTiffFile(state->aside, "w8", state->errors);
    if (!state->tiff) {
        m_error = state->errors.Text("cannot create the file");
        return false;
    }
    TIFF* t = state->tiff.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(t, TIFFTAG_TILEWIDTH, kTile);
    TIFFSetField(t, TIFFTAG_TILELENGTH, kTile);
    if (state->scale) {
        WriteTiffScale(t, *state->scale);
    }
    m_state = std::move(state);
    return true;
}

bool CTiffBandWriter::WriteRows(const std::uint8_t* bgrRows, int rowCount, std::size_t stride) {
    State* s = m_state.get();
    if (s == nullptr) {
        m_error = "The TIFF file is not open";
        return false;
    }
    if (rowCount < 0 || rowCount > s->height - s->rowsDone) {
        m_error = "More rows than the picture has";
        m_state.reset();
        return false;
    }
    for (int r = 0; r < rowCount; ++r) {
        const std::uint8_t* in = bgrRows + r * stride;
        std::uint8_t* out = s->band.data() + s->bandRows * s->bandStride;
        for (int x = 0; x < s->width; ++x, in += 3) {
            out[3 * x] = in[2];
            out[3 * x + 1] = in[1];
            out[3 * x + 2] = in[0];
        }
        s->AddToOverview(out, s->rowsDone);
        ++s->bandRows;
        ++s->rowsDone;
        if ((s->bandRows == kTile || s->rowsDone == s->height) && !s->FlushBand()) {
            m_error = s->errors.Text("cannot write the file");
            m_state.reset();
            return false;
        }
    }
    return true;
}

bool CTiffBandWriter::Close() {
    State* s = m_state.get();
    if (s == nullptr) {
        m_error = "The TIFF file is not open";
        return false;
    }
    if (s->rowsDone != s->height) {
        m_error = "The picture is missing rows";
        m_state.reset();
        return false;
    }
    bool written = TIFFWriteDirectory(s->tiff.get()) != 0;
    if (written && s->factor > 1) {
        written = s->WriteOverview();
    }
    // Closing writes what is still buffered; its errors count too.
    TIFF* raw = s->tiff.release();
    TIFFClose(raw);
    std::error_code error;
    if (!written || !s->errors.first.empty()) {
        m_error = s->errors.Text("cannot write the file");
        std::filesystem::remove(s->aside, error);
        m_state.reset();
        return false;
    }
    std::filesystem::rename(s->aside, s->path, error);
    if (error) {
        m_error = "Cannot rename the file into place: " + error.message();
        std::filesystem::remove(s->aside, error);
        m_state.reset();
        return false;
    }
    m_state.reset();
    return true;
}
