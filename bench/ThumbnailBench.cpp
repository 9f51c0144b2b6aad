#include "bench/ImageBench.h"
#include "bench/RatioReporter.h"
#include "browser/ThumbnailDecode.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <turbojpeg.h>
#include <vector>

#include <QFile>
#include <QTemporaryDir>

// Thumbnails of a snapshot folder of 100 pictures of 2592 × 1944, half JPEG
// and half BMP, on one core. The JPEGs are measured against TurboJPEG's own
// 1/8 decode of the same files held in memory; the BMPs against our JPEGs.
// The folder holds one file of each kind under 50 hard-linked names: every
// name is read and decoded in full, without filling the disk with 750 MB of
// identical bitmaps.

namespace {

constexpr int kPerFormat = 50;

struct CBenchFolder {
    QTemporaryDir dir;
    std::vector<QString> jpegs;
    std::vector<QString> bmps;
    std::vector<std::uint8_t> jpegBytes;

    CBenchFolder() {
        for (const auto& [type, suffix, list] : {std::tuple{ImageType::Jpeg, "jpg", &jpegs},
                                                 std::tuple{ImageType::Bmp, "bmp", &bmps}}) {
            const QString first = dir.filePath(QStringLiteral("pic00.") + suffix);
            BenchPicture().Save(first.toStdString(), type);
            list->push_back(first);
            for (int i = 1; i < kPerFormat; ++i) {
                const QString name =
                    dir.filePath(QStringLiteral("pic%1.").arg(i, 2, 10, QChar(u'0')) + suffix);
                std::filesystem::create_hard_link(first.toStdString(), name.toStdString());
                list->push_back(name);
            }
        }
        BenchPicture().Encode(ImageType::Jpeg, jpegBytes);
    }
};

const CBenchFolder& Folder() {
    static const CBenchFolder folder;
    return folder;
}

void Thumbnails(benchmark::State& state, const std::vector<QString>& files) {
    CThumbnail thumbnail;
    std::string error;
    for (auto _ : state) {
        for (const QString& file : files) {
            if (!MakeThumbnailFromFile(file, thumbnail, error)) {
                state.SkipWithError(error.c_str());
                return;
            }
            benchmark::DoNotOptimize(thumbnail.bgr.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
}

void JpegThumbnailsOurs(benchmark::State& state) {
    Thumbnails(state, Folder().jpegs);
}

void BmpThumbnailsOurs(benchmark::State& state) {
    Thumbnails(state, Folder().bmps);
}

void JpegEighthReference(benchmark::State& state) {
    const std::vector<std::uint8_t>& jpeg = Folder().jpegBytes;
    tjhandle handle = tjInitDecompress();
    const int width = TJSCALED(kBenchWidth, (tjscalingfactor{1, 8}));
    const int height = TJSCALED(kBenchHeight, (tjscalingfactor{1, 8}));
    std::vector<std::uint8_t> pixels(3 * static_cast<std::size_t>(width) * height);
    for (auto _ : state) {
        for (int i = 0; i < kPerFormat; ++i) {
            tjDecompress2(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()),
                          pixels.data(), width, 0, height, TJPF_BGR, 0);
            benchmark::DoNotOptimize(pixels.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kPerFormat);
    tjDestroy(handle);
}

} // namespace

BENCHMARK(JpegThumbnailsOurs)->Name("JpegThumbnails/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(JpegEighthReference)->Name("JpegThumbnails/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(BmpThumbnailsOurs)->Name("BmpVsJpegThumbs/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(JpegThumbnailsOurs)->Name("BmpVsJpegThumbs/reference")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    Folder();
    return RunBenchmarksWithRatios(argc, argv);
}
