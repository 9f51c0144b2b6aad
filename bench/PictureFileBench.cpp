#include "bench/ImageBench.h"
#include "image/TiffBandWriter.h"
#include "image/TiffIo.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <filesystem>
#include <png.h>
#include <sys/resource.h>
#include <vector>

// TIFF (Deflate) and PNG through our codecs against libtiff's and libpng's
// own calls on the same pixels at the same settings, and a mosaic-sized
// BigTIFF written band by band with the memory it took.

namespace {

// The picture as the libraries take it: RGB rows, top-down, unpadded.
const std::vector<std::uint8_t>& RgbPixels() {
    static const std::vector<std::uint8_t> pixels = [] {
        const CDib& picture = BenchPicture();
        std::vector<std::uint8_t> rgb(std::size_t{3} * kBenchWidth * kBenchHeight);
        for (int y = 0; y < kBenchHeight; ++y) {
            const std::uint8_t* in = picture.Row(picture.StoredRow(y));
            std::uint8_t* out = rgb.data() + std::size_t{3} * kBenchWidth * y;
            for (int x = 0; x < kBenchWidth; ++x) {
                out[3 * x] = in[3 * x + 2];
                out[3 * x + 1] = in[3 * x + 1];
                out[3 * x + 2] = in[3 * x];
            }
        }
        return rgb;
    }();
    return pixels;
}

constexpr std::size_t kRowBytes = std::size_t{3} * kBenchWidth;

std::vector<std::uint8_t> Encoded(ImageType type) {
    std::vector<std::uint8_t> out;
    BenchPicture().Encode(type, out);
    return out;
}

void TiffEncodeOurs(benchmark::State& state) {
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        BenchPicture().Encode(ImageType::Tiff, out);
        benchmark::DoNotOptimize(out.data());
    }
}

void TiffEncodeReference(benchmark::State& state) {
    const std::vector<std::uint8_t>& rgb = RgbPixels();
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        out.clear();
        CTiffMemory memory{{}, &out};
        CTiffErrors errors;
        TiffHandle tiff = OpenTiffMemory(memory, "w", errors, 0);
        TIFF* t = tiff.get();
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kBenchWidth);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, kBenchHeight);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>((256 << 10) / kRowBytes));
        for (int y = 0; y < kBenchHeight; ++y) {
            TIFFWriteScanline(t, const_cast<std::uint8_t*>(rgb.data() + kRowBytes * y), y, 0);
        }
        tiff.reset();
        benchmark::DoNotOptimize(out.data());
    }
}

void TiffDecodeOurs(benchmark::State& state) {
    const std::vector<std::uint8_t> file = Encoded(ImageType::Tiff);
    CDib dib;
    for (auto _ : state) {
        dib.Decode(file, ImageType::Tiff);
        benchmark::DoNotOptimize(dib.Bits());
    }
}

void TiffDecodeReference(benchmark::State& state) {
    const std::vector<std::uint8_t> file = Encoded(ImageType::Tiff);
    std::vector<std::uint8_t> pixels(RgbPixels().size());
    for (auto _ : state) {
        CTiffMemory memory{file};
        CTiffErrors errors;
        TiffHandle tiff = OpenTiffMemory(memory, "r", errors, 0);
        const tstrip_t strips = TIFFNumberOfStrips(tiff.get());
        const tmsize_t stripSize = TIFFStripSize(tiff.get());
        std::size_t offset = 0;
        for (tstrip_t strip = 0; strip < strips; ++strip) {
            const tmsize_t read = TIFFReadEncodedStrip(
                tiff.get(), strip, pixels.data() + offset,
                std::min<tmsize_t>(stripSize, static_cast<tmsize_t>(pixels.size() - offset)));
            offset += static_cast<std::size_t>(read);
        }
        benchmark::DoNotOptimize(pixels.data());
    }
}

void PngEncodeOurs(benchmark::State& state) {
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        BenchPicture().Encode(ImageType::Png, out);
        benchmark::DoNotOptimize(out.data());
    }
}

void AppendPng(png_structp png, png_bytep data, std::size_t size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

void PngEncodeReference(benchmark::State& state) {
    const std::vector<std::uint8_t>& rgb = RgbPixels();
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        out.clear();
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_write_fn(png, &out, AppendPng, nullptr);
        png_set_IHDR(png, info, kBenchWidth, kBenchHeight, 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < kBenchHeight; ++y) {
            png_write_row(png, rgb.data() + kRowBytes * y);
        }
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        benchmark::DoNotOptimize(out.data());
    }
}

void PngDecodeOurs(benchmark::State& state) {
    const std::vector<std::uint8_t> file = Encoded(ImageType::Png);
    CDib dib;
    for (auto _ : state) {
        dib.Decode(file, ImageType::Png);
        benchmark::DoNotOptimize(dib.Bits());
    }
}

struct PngSource {
    const std::vector<std::uint8_t>* file;
    std::size_t position;
};

void ReadPng(png_structp png, png_bytep out, std::size_t size) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    std::memcpy(out, source->file->data() + source->position, size);
    source->position += size;
}

void PngDecodeReference(benchmark::State& state) {
    const std::vector<std::uint8_t> file = Encoded(ImageType::Png);
    std::vector<std::uint8_t> pixels(RgbPixels().size());
    for (auto _ : state) {
        PngSource source{&file, 0};
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_read_fn(png, &source, ReadPng);
        png_read_info(png, info);
        for (int y = 0; y < kBenchHeight; ++y) {
            png_read_row(png, pixels.data() + kRowBytes * y, nullptr);
        }
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(pixels.data());
    }
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// 20 000 × 20 000 pixels (1.2 GB of RGB) from repeated bands of the bench
// picture; the peak memory must stay far below the picture's size.
void TiffBandWrite(benchmark::State& state) {
    constexpr int kSide = 20000;
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "marnelo-bench-band.tif";
    const std::vector<std::uint8_t>& rgb = RgbPixels();
    constexpr int kBand = 256;
    std::vector<std::uint8_t> band(std::size_t{3} * kSide * kBand);
    const long before = PeakKilobytes();
    for (auto _ : state) {
        CTiffBandWriter writer;
        writer.Open(path, kSide, kSide, CPictureScale{1000, "um", "Mosaic"});
        for (int y = 0; y < kSide; y += kBand) {
            for (int r = 0; r < kBand; ++r) {
                const std::uint8_t* source = rgb.data() + kRowBytes * ((y + r) % kBenchHeight);
                for (int x = 0; x < kSide; x += kBenchWidth) {
                    const std::size_t bytes =
                        std::min<std::size_t>(kRowBytes, 3 * std::size_t(kSide - x));
                    std::memcpy(band.data() + std::size_t{3} * (std::size_t(r) * kSide + x), source,
                                bytes);
                }
            }
            if (!writer.WriteRows(band.data(), std::min(kBand, kSide - y),
                                  std::size_t{3} * kSide)) {
                state.SkipWithError(writer.LastError().c_str());
                break;
            }
        }
        if (!writer.Close()) {
            state.SkipWithError(writer.LastError().c_str());
        }
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    state.counters["peak_MB"] = static_cast<double>(PeakKilobytes()) / 1024;
    state.counters["peak_added_MB"] = static_cast<double>(PeakKilobytes() - before) / 1024;
    std::filesystem::remove(path);
}

} // namespace

// First, while the process has allocated the least.
BENCHMARK(TiffBandWrite)
    ->Name("TiffBandWrite/20000x20000")
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(TiffEncodeOurs)->Name("TiffEncode/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(TiffEncodeReference)->Name("TiffEncode/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(TiffDecodeOurs)->Name("TiffDecode/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(TiffDecodeReference)->Name("TiffDecode/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(PngEncodeOurs)->Name("PngEncode/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(PngEncodeReference)->Name("PngEncode/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(PngDecodeOurs)->Name("PngDecode/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(PngDecodeReference)->Name("PngDecode/reference")->Unit(benchmark::kMillisecond);
