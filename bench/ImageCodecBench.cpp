#include "bench/ImageBench.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <turbojpeg.h>
#include <vector>

namespace {

std::vector<std::uint8_t> Encoded(ImageType type) {
    std::vector<std::uint8_t> out;
    BenchPicture().Encode(type, out);
    return out;
}

void BmpDecodeOurs(benchmark::State& state) {
    const std::vector<std::uint8_t> file = Encoded(ImageType::Bmp);
    CDib dib;
    for (auto _ : state) {
        dib.Decode(file, ImageType::Bmp);
        benchmark::DoNotOptimize(dib.Bits());
    }
}

// The least a decoder must do: move the pixel bytes once.
void CopyReference(benchmark::State& state) {
    const CDib& picture = BenchPicture();
    std::vector<std::uint8_t> target(picture.ImageSize());
    for (auto _ : state) {
        std::memcpy(target.data(), picture.Bits(), picture.ImageSize());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

void BmpEncodeOurs(benchmark::State& state) {
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        BenchPicture().Encode(ImageType::Bmp, out);
        benchmark::DoNotOptimize(out.data());
    }
}

void JpegDecodeOurs(benchmark::State& state) {
    const std::vector<std::uint8_t> file = Encoded(ImageType::Jpeg);
    CDib dib;
    for (auto _ : state) {
        dib.Decode(file, ImageType::Jpeg);
        benchmark::DoNotOptimize(dib.Bits());
    }
}

void JpegDecodeReference(benchmark::State& state) {
    std::vector<std::uint8_t> file = Encoded(ImageType::Jpeg);
    tjhandle handle = tjInitDecompress();
    std::vector<std::uint8_t> pixels(BenchPicture().ImageSize());
    for (auto _ : state) {
        tjDecompress2(handle, file.data(), static_cast<unsigned long>(file.size()), pixels.data(),
                      kBenchWidth, static_cast<int>(BenchPicture().Stride()), kBenchHeight,
                      TJPF_BGR, TJFLAG_BOTTOMUP);
        benchmark::DoNotOptimize(pixels.data());
    }
    tjDestroy(handle);
}

void JpegEncodeOurs(benchmark::State& state) {
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        BenchPicture().Encode(ImageType::Jpeg, out);
        benchmark::DoNotOptimize(out.data());
    }
}

void JpegEncodeReference(benchmark::State& state) {
    tjhandle handle = tjInitCompress();
    unsigned long capacity = tjBufSize(kBenchWidth, kBenchHeight, TJSAMP_420);
    unsigned char* buffer = tjAlloc(static_cast<int>(capacity));
    const CDib& picture = BenchPicture();
    for (auto _ : state) {
        unsigned long size = capacity;
        tjCompress2(handle, picture.Bits(), kBenchWidth, static_cast<int>(picture.Stride()),
                    kBenchHeight, TJPF_BGR, &buffer, &size, TJSAMP_420, 90,
                    TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC);
        benchmark::DoNotOptimize(buffer);
    }
    tjFree(buffer);
    tjDestroy(handle);
}

} // namespace

BENCHMARK(BmpDecodeOurs)->Name("BmpDecode/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(CopyReference)->Name("BmpDecode/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(BmpEncodeOurs)->Name("BmpEncode/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(CopyReference)->Name("BmpEncode/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(JpegDecodeOurs)->Name("JpegDecode/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(JpegDecodeReference)->Name("JpegDecode/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(JpegEncodeOurs)->Name("JpegEncode/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(JpegEncodeReference)->Name("JpegEncode/reference")->Unit(benchmark::kMillisecond);
