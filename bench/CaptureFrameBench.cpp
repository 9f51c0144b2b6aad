#include "bench/ImageBench.h"
#include "bench/RatioReporter.h"
#include "capture/CaptureBackend.h"
#include "capture/v4l2/V4l2FrameDecoder.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <turbojpeg.h>
#include <vector>

// A camera frame at 1920 × 1080 becoming the delivered bottom-up BGR frame,
// against the library doing the same conversion top-down: MJPEG against
// TurboJPEG's own decode, YUYV against OpenCV's cvtColor.

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// The top-left 1920 × 1080 of the benchmark picture, top-down BGR.
const std::vector<std::uint8_t>& Scene() {
    static const std::vector<std::uint8_t> scene = [] {
        const CDib& picture = BenchPicture();
        std::vector<std::uint8_t> bgr(static_cast<std::size_t>(kWidth) * kHeight * 3);
        for (int y = 0; y < kHeight; ++y) {
            std::memcpy(&bgr[static_cast<std::size_t>(y) * kWidth * 3],
                        picture.Row(picture.StoredRow(y)), static_cast<std::size_t>(kWidth) * 3);
        }
        return bgr;
    }();
    return scene;
}

// As a UVC camera sends it: 4:2:2 at quality 85.
const std::vector<std::uint8_t>& Jpeg() {
    static const std::vector<std::uint8_t> jpeg = [] {
        tjhandle handle = tjInitCompress();
        unsigned char* data = nullptr;
        unsigned long size = 0;
        tjCompress2(handle, Scene().data(), kWidth, kWidth * 3, kHeight, TJPF_BGR, &data, &size,
                    TJSAMP_422, 85, 0);
        std::vector<std::uint8_t> bytes(data, data + size);
        tjFree(data);
        tjDestroy(handle);
        return bytes;
    }();
    return jpeg;
}

const std::vector<std::uint8_t>& Yuyv() {
    static const std::vector<std::uint8_t> yuyv = [] {
        cv::Mat yuv;
        cv::cvtColor(cv::Mat(kHeight, kWidth, CV_8UC3, const_cast<std::uint8_t*>(Scene().data())),
                     yuv, cv::COLOR_BGR2YUV);
        std::vector<std::uint8_t> packed(static_cast<std::size_t>(kWidth) * kHeight * 2);
        for (int y = 0; y < kHeight; ++y) {
            const std::uint8_t* row = yuv.ptr(y);
            std::uint8_t* out = &packed[static_cast<std::size_t>(y) * kWidth * 2];
            for (int x = 0; x < kWidth; x += 2) {
                out[x * 2] = row[x * 3];
                out[x * 2 + 1] = static_cast<std::uint8_t>((row[x * 3 + 1] + row[x * 3 + 4]) / 2);
                out[x * 2 + 2] = row[x * 3 + 3];
                out[x * 2 + 3] = static_cast<std::uint8_t>((row[x * 3 + 2] + row[x * 3 + 5]) / 2);
            }
        }
        return packed;
    }();
    return yuyv;
}

void MjpegOurs(benchmark::State& state) {
    CV4l2FrameDecoder decoder;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(BgrStride(kWidth)) * kHeight);
    std::string error;
    for (auto _ : state) {
        if (!decoder.Decode(Fourcc::kMJPG, Jpeg(), kWidth, kHeight, 0, frame.data(), error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(frame.data());
    }
}

void MjpegReference(benchmark::State& state) {
    tjhandle handle = tjInitDecompress();
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(kWidth) * kHeight * 3);
    for (auto _ : state) {
        tjDecompress2(handle, Jpeg().data(), Jpeg().size(), frame.data(), kWidth, 0, kHeight,
                      TJPF_BGR, 0);
        benchmark::DoNotOptimize(frame.data());
    }
    tjDestroy(handle);
}

void YuyvOurs(benchmark::State& state) {
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(BgrStride(kWidth)) * kHeight);
    for (auto _ : state) {
        ConvertPacked422(Fourcc::kYUYV, Yuyv().data(), Yuyv().size(), kWidth, kHeight, 0,
                         frame.data());
        benchmark::DoNotOptimize(frame.data());
    }
}

void YuyvReference(benchmark::State& state) {
    const cv::Mat source(kHeight, kWidth, CV_8UC2, const_cast<std::uint8_t*>(Yuyv().data()));
    cv::Mat frame(kHeight, kWidth, CV_8UC3);
    for (auto _ : state) {
        cv::cvtColor(source, frame, cv::COLOR_YUV2BGR_YUYV);
        benchmark::DoNotOptimize(frame.data);
    }
}

} // namespace

BENCHMARK(MjpegOurs)->Name("mjpeg_1080p/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(MjpegReference)->Name("mjpeg_1080p/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(YuyvOurs)->Name("yuyv_1080p/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(YuyvReference)->Name("yuyv_1080p/reference")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // One thread for both sides: the streaming thread shares the machine.
    cv::setNumThreads(1);
    Jpeg();
    Yuyv();
    return RunBenchmarksWithRatios(argc, argv);
}
