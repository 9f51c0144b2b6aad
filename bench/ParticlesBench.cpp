#include "analysis/particles/ParticleAnalysis.h"
#include "bench/RatioReporter.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>

namespace {

// Dark grains of 6 to 20 pixels radius, some touching, on a shaded and
// noisy background: a busy field of view.
CDib GrainPicture(int width, int height, int grains) {
    CDib dib;
    dib.Create(width, height, 24);
    cv::Mat picture(height, width, CV_8UC3, dib.Bits(), dib.Stride());
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y) {
        auto* row = picture.ptr<cv::Vec3b>(y);
        for (int x = 0; x < width; ++x) {
            const auto level =
                static_cast<std::uint8_t>(190 + 25 * std::sin(x / 400.0 + y / 300.0));
            row[x] = cv::Vec3b(level, level, level);
        }
    }
    std::uniform_real_distribution<double> across(0, width);
    std::uniform_real_distribution<double> down(0, height);
    std::uniform_real_distribution<double> size(6, 20);
    for (int i = 0; i < grains; ++i) {
        cv::circle(picture,
                   cv::Point(static_cast<int>(across(random)), static_cast<int>(down(random))),
                   static_cast<int>(size(random)), cv::Scalar(60, 60, 60), cv::FILLED, cv::LINE_AA);
    }
    cv::Mat noise(picture.size(), CV_8UC3);
    cv::randu(noise, 0, 12);
    cv::add(picture, noise, picture);
    return dib;
}

const CDib& FivePixelPicture() {
    static const CDib picture = GrainPicture(2592, 1944, 1000);
    return picture;
}

// What the analysis is measured against: OpenCV's grey conversion, Otsu's
// threshold and connected components with their statistics.
void OpenCvCount(benchmark::State& state, const CDib& dib) {
    const cv::Mat picture(dib.Height(), dib.Width(), CV_8UC3, const_cast<std::uint8_t*>(dib.Bits()),
                          dib.Stride());
    cv::Mat grey, binary, labels, stats, centroids;
    for (auto _ : state) {
        cv::cvtColor(picture, grey, cv::COLOR_BGR2GRAY);
        cv::threshold(grey, binary, 0, 255, cv::THRESH_BINARY_INV | cv::THRESH_OTSU);
        benchmark::DoNotOptimize(
            cv::connectedComponentsWithStats(binary, labels, stats, centroids, 8, CV_32S));
    }
}

void Analyse(benchmark::State& state, const CDib& picture, ParticleMeasures measures) {
    CParticleOptions options;
    options.measures = measures;
    std::size_t count = 0;
    for (auto _ : state) {
        count = AnalyseParticles(picture, options, {}).particles.size();
        benchmark::DoNotOptimize(count);
    }
    state.counters["particles"] = static_cast<double>(count);
}

void PreciseOurs(benchmark::State& state) {
    Analyse(state, FivePixelPicture(), ParticleMeasures::Precise);
}
void PixelOurs(benchmark::State& state) {
    Analyse(state, FivePixelPicture(), ParticleMeasures::ImageJ);
}
void FivePixelReference(benchmark::State& state) {
    OpenCvCount(state, FivePixelPicture());
}

} // namespace

BENCHMARK(PreciseOurs)->Name("Particles/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(FivePixelReference)->Name("Particles/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(PixelOurs)->Name("ParticlesPixel/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(FivePixelReference)->Name("ParticlesPixel/reference")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // Our analysis runs on one thread; so does the reference.
    cv::setNumThreads(1);
    return RunBenchmarksWithRatios(argc, argv);
}
