#include "bench/ImageBench.h"
#include "bench/RatioReporter.h"
#include "camera/FramePipeline.h"
#include "camera/VideoShape.h"
#include "framework/QImageDrawSurface.h"
#include "reports/LiveReportPicture.h"
#include "reports/ReportFiles.h"
#include "reports/ReportPicture.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

#include <QGuiApplication>
#include <QTemporaryDir>

// A live report of 1 000 measurements: the kept 2592 × 1944 frame with the
// measurements drawn on it, and the file written, against encoding the bare
// frame alone.

namespace {

CStillFrame BenchFrame() {
    const CDib& picture = BenchPicture();
    CStillFrame frame;
    frame.width = picture.Width();
    frame.height = picture.Height();
    frame.stride = static_cast<int>(picture.Stride());
    frame.bgr.assign(picture.Bits(), picture.Bits() + picture.ImageSize());
    return frame;
}

struct CLiveBench {
    CStillFrame frame = BenchFrame();
    std::vector<std::unique_ptr<CVideoShap>> owned;
    std::vector<CVideoShap> shapes;

    CLiveBench() {
        const int kinds[] = {LiveKind::kLine,       LiveKind::kRectangle, LiveKind::kEllipse,
                             LiveKind::kCircle,     LiveKind::kArc,       LiveKind::kPolygon,
                             LiveKind::kTwoCircles, LiveKind::kSquareMark};
        for (int i = 0; i < 1000; ++i) {
            auto shape = std::make_unique<CVideoShap>();
            shape->kind = kinds[i % 8];
            shape->ordinal = i;
            shape->marked = 1;
            shape->measured = {100.0 + i % 50, 40.0 + i % 30, 120.0};
            const double x = 40 + (i * 37) % 2400;
            const double y = 40 + (i * 53) % 1800;
            shape->points = {
                {x, y}, {x + 80, y + 40}, {x + 20, y + 90}, {x + 60, y + 100}, {x + 90, y + 10}};
            shapes.push_back(*shape);
            owned.push_back(std::move(shape));
        }
    }
};

const CLiveBench& Bench() {
    static const CLiveBench bench;
    return bench;
}

void WriteOurs(benchmark::State& state, const char* name) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(name));
    CReportInput input;
    input.source = ReportSource::Live;
    input.texts = {QStringLiteral("Measure Report"), QStringLiteral("Acme"), QStringLiteral("Lee")};
    input.date = QDate(2026, 1, 2);
    input.picture = true;
    input.items = LiveReportItems(Bench().owned);
    for (auto _ : state) {
        CDib picture;
        QString error = MakeLiveReportPicture(Bench().frame, Bench().shapes, true,
                                              QImageSurfaceFactory(), picture);
        if (error.isEmpty()) {
            error = WriteReportFile(path, input, &picture);
        }
        if (!error.isEmpty()) {
            state.SkipWithError(error.toStdString().c_str());
            break;
        }
    }
}

void PngReference(benchmark::State& state) {
    for (auto _ : state) {
        const QByteArray png = EncodeReportPng(BenchPicture());
        benchmark::DoNotOptimize(png.constData());
    }
}

} // namespace

BENCHMARK_CAPTURE(WriteOurs, xlsx, "r.xlsx")
    ->Name("LiveReportXlsx/ours")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PngReference)->Name("LiveReportXlsx/reference")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteOurs, xls, "r.xls")
    ->Name("LiveReportXls/ours")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PngReference)->Name("LiveReportXls/reference")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteOurs, docx, "r.docx")
    ->Name("LiveReportDocx/ours")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PngReference)->Name("LiveReportDocx/reference")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteOurs, doc, "r.doc")
    ->Name("LiveReportDoc/ours")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PngReference)->Name("LiveReportDoc/reference")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // The labels need fonts, hence a GUI application; nothing is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Bench();
    return RunBenchmarksWithRatios(argc, argv);
}
