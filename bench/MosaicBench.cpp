#include "analysis/mosaic/Stitch.h"
#include "bench/RatioReporter.h"
#include "tests/support/NaturalTexture.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>
#include <time.h>

namespace {

namespace fs = std::filesystem;

constexpr int kTileWidth = 2592, kTileHeight = 1944;
constexpr double kOverlap = 0.15;
// The specimen is made at a quarter of the tiles' resolution and enlarged:
// a whole 100-tile specimen at full size would not fit the memory measured.
constexpr int kSceneReduction = 4;

// `columns` × `rows` overlapping JPEG tiles of a textured specimen, with
// vignetting and noise, in a fresh folder; removed with the object.
struct CTileFolder {
    fs::path folder;
    std::vector<fs::path> files;
    CTileFolder(int columns, int rows) {
        char name[] = "/tmp/mosaic-bench-XXXXXX";
        folder = mkdtemp(name);
        const double stepX = kTileWidth * (1 - kOverlap), stepY = kTileHeight * (1 - kOverlap);
        const cv::Size scene(static_cast<int>((stepX * columns + kTileWidth) / kSceneReduction) + 8,
                             static_cast<int>((stepY * rows + kTileHeight) / kSceneReduction) + 8);
        std::mt19937 seeded(5);
        const cv::Mat specimen = PinkNoise(scene, seeded, 1.0, 1e-3) * 40 + 128;
        std::mt19937 random(9);
        std::uniform_real_distribution<double> jitter(-6, 6);
        cv::Mat vignetting(kTileHeight, kTileWidth, CV_32F);
        const double half = std::hypot(kTileWidth, kTileHeight) / 2;
        for (int y = 0; y < kTileHeight; ++y) {
            for (int x = 0; x < kTileWidth; ++x) {
                const double r = std::hypot(x - kTileWidth / 2.0, y - kTileHeight / 2.0) / half;
                vignetting.at<float>(y, x) = static_cast<float>(1 - 0.25 * r * r);
            }
        }
        for (int row = 0; row < rows; ++row) {
            for (int i = 0; i < columns; ++i) {
                const int column = row % 2 == 0 ? i : columns - 1 - i;
                const double x = 8 + column * stepX + jitter(random);
                const double y = 8 + row * stepY + jitter(random);
                const cv::Mat toScene =
                    (cv::Mat_<double>(2, 3) << 1.0 / kSceneReduction, 0, x / kSceneReduction, 0,
                     1.0 / kSceneReduction, y / kSceneReduction);
                cv::Mat grey;
                cv::warpAffine(specimen, grey, toScene, cv::Size(kTileWidth, kTileHeight),
                               cv::INTER_CUBIC | cv::WARP_INVERSE_MAP, cv::BORDER_REFLECT);
                cv::multiply(grey, vignetting, grey);
                cv::Mat noise(grey.size(), CV_32F);
                cv::randn(noise, 0, 2);
                grey += noise;
                CDib tile;
                tile.Create(kTileWidth, kTileHeight, 24);
                for (int ty = 0; ty < kTileHeight; ++ty) {
                    const float* in = grey.ptr<float>(ty);
                    std::uint8_t* out = tile.Row(tile.StoredRow(ty));
                    for (int tx = 0; tx < kTileWidth; ++tx) {
                        const auto v = cv::saturate_cast<std::uint8_t>(in[tx]);
                        out[3 * tx] = cv::saturate_cast<std::uint8_t>(v * 0.9);
                        out[3 * tx + 1] = v;
                        out[3 * tx + 2] = cv::saturate_cast<std::uint8_t>(v * 1.05);
                    }
                }
                files.push_back(folder / ("tile" + std::to_string(files.size()) + ".jpg"));
                tile.Save(files.back(), ImageType::Jpeg);
            }
        }
    }
    ~CTileFolder() { fs::remove_all(folder); }
};

long StatusMegabytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stol(line.substr(std::string(key).size())) / 1024;
        }
    }
    return -1;
}

void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Seconds of CPU time used by all threads of the process: the work is spread
// over threads, so the timer's own CPU column (this thread's) undercounts it.
double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// What stitching is measured against: decoding every tile once.
void DecodeTiles(benchmark::State& state, const CTileFolder& (*made)()) {
    const CTileFolder& tiles = made();
    for (auto _ : state) {
        for (const fs::path& file : tiles.files) {
            CDib picture;
            benchmark::DoNotOptimize(picture.Load(file, ImageType::Jpeg));
        }
    }
}

// Planning and composing to a BigTIFF, with the peak memory of the process
// while it runs, the wall time of each stage and the CPU time of all threads.
void StitchTiles(benchmark::State& state, const CTileFolder& (*made)()) {
    const CTileFolder& tiles = made();
    const fs::path output = tiles.folder / "mosaic.tif";
    long peak = 0;
    double planSeconds = 0, writeSeconds = 0, cpuSeconds = 0;
    CStitchPlan plan;
    for (auto _ : state) {
        ResetPeakMemory();
        const double cpuStart = ProcessCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const CStitchResult result = PlanMosaic(tiles.files, {});
        planSeconds += Since(start);
        const auto writeStart = std::chrono::steady_clock::now();
        std::string error;
        if (!result.error.empty() || !WriteMosaic(result.plan, output, {}, error)) {
            state.SkipWithError((result.error + error).c_str());
            return;
        }
        writeSeconds += Since(writeStart);
        cpuSeconds += ProcessCpuSeconds() - cpuStart;
        peak = StatusMegabytes("VmHWM:");
        plan = result.plan;
        state.PauseTiming();
        fs::remove(output);
        state.ResumeTiming();
    }
    int placed = 0;
    for (const CTilePlacement& tile : plan.tiles) {
        placed += tile.placed;
    }
    state.counters["peak_MB"] = static_cast<double>(peak);
    const double runs = static_cast<double>(state.iterations());
    state.counters["plan_s"] = planSeconds / runs;
    state.counters["write_s"] = writeSeconds / runs;
    state.counters["all_cpu_s"] = cpuSeconds / runs;
    state.counters["placed"] = placed;
    state.counters["mosaic_MP"] = plan.width * static_cast<double>(plan.height) / 1e6;
}

const CTileFolder& Tiles36() {
    static const CTileFolder tiles(6, 6);
    return tiles;
}
const CTileFolder& Tiles100() {
    static const CTileFolder tiles(10, 10);
    return tiles;
}

} // namespace

BENCHMARK_CAPTURE(StitchTiles, 36, &Tiles36)->Name("Stitch36/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeTiles, 36, &Tiles36)
    ->Name("Stitch36/reference")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StitchTiles, 100, &Tiles100)
    ->Name("Stitch100/ours")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeTiles, 100, &Tiles100)
    ->Name("Stitch100/reference")
    ->Unit(benchmark::kMillisecond);

// OpenCV keeps its threads: the stitcher spreads its work over the cores as
// it does in the application, and decoding, the reference, uses one thread
// either way.
int main(int argc, char** argv) {
    return RunBenchmarksWithRatios(argc, argv);
}
