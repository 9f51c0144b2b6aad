#include "bench/ImageBench.h"
#include "bench/RatioReporter.h"
#include "core/Parameters.h"
#include "document/StillImageDocument.h"
#include "framework/QImageDrawSurface.h"
#include "shapes/ShapeFactory.h"
#include "shapes/ShapeKinds.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <initializer_list>

#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

namespace {

namespace M = MeasureMode;

// The benchmark picture opened as a document with 20 measurements spread
// over it, as a user would leave them before saving.
struct SavedDocument {
    QTemporaryDir dir;
    CStillImageDocument document{QImageSurfaceFactory()};

    SavedDocument() {
        const std::filesystem::path path = File("opened.bmp");
        BenchPicture().Save(path, ImageType::Bmp);
        document.Open(path);
        struct Sample {
            int mode;
            std::initializer_list<ShapePoint> points;
        };
        const Sample samples[] = {
            {M::kLine, {{100, 100}, {900, 400}, {500, 300}}},
            {M::kHorizontalLine, {{200, 600}, {1400, 600}, {700, 650}}},
            {M::kVerticalLine, {{1800, 100}, {1800, 900}, {1850, 500}}},
            {M::kRectangle, {{300, 1000}, {900, 1500}, {950, 1550}}},
            {M::kEllipse, {{1000, 1000}, {1600, 1400}, {1650, 1450}}},
            {M::kRadiusCircle, {{2000, 1200}, {2200, 1300}, {2250, 1350}}},
            {M::kCircle, {{1200, 200}, {1500, 300}, {1550, 350}}},
            {M::kThreePointCircle, {{2200, 200}, {2400, 400}, {2200, 600}, {2450, 650}}},
            {M::kArc, {{400, 1700}, {800, 1700}, {600, 1600}, {850, 1750}}},
            {M::kThreePointAngle, {{1300, 1600}, {1700, 1800}, {1500, 1500}, {1750, 1850}}},
            {M::kFourPointAngle, {{100, 1800}, {300, 1600}, {50, 1500}, {350, 1900}, {380, 1850}}},
            {M::kParallel, {{1900, 1500}, {2500, 1550}, {2100, 1800}, {2300, 1850}}},
            {M::kPointLine, {{2400, 900}, {1900, 700}, {2500, 750}, {2550, 950}}},
            {M::kTwoCircles, {{600, 700}, {700, 800}, {900, 700}, {1000, 800}, {1050, 850}}},
            {M::kPolygon,
             {{1400, 800},
              {1700, 750},
              {1750, 950},
              {1550, 1050},
              {1380, 950},
              {0, 0},
              {0, 0},
              {0, 0},
              {0, 0},
              {0, 0},
              {1760, 1000}}},
            {M::kFoldLine,
             {{50, 300},
              {150, 500},
              {250, 350},
              {350, 550},
              {0, 0},
              {0, 0},
              {0, 0},
              {0, 0},
              {0, 0},
              {0, 0},
              {360, 560}}},
            {M::kSquareMark, {{2500, 100}}},
            {M::kCircleMark, {{2500, 1850}}},
            {M::kText, {{1000, 1850}}},
            {M::kLineCircle, {{1100, 500}, {1200, 600}, {1000, 850}, {1400, 900}, {1420, 920}}},
        };
        int mark = 0;
        for (const Sample& sample : samples) {
            CShapeParams params;
            int i = 0;
            for (const ShapePoint& p : sample.points) {
                params.points[i++] = p;
            }
            params.imgWidth = kBenchWidth;
            params.imgHeight = kBenchHeight;
            params.text = QStringLiteral("Sample 7, left edge");
            params.markNumber = mark++;
            std::unique_ptr<CShape> shape = CreateShape(sample.mode, params);
            CompleteShape(*shape, mark);
            document.AddShape(std::move(shape));
        }
    }
    std::filesystem::path File(const char* name) const {
        return dir.filePath(QString::fromUtf8(name)).toStdString();
    }
};

SavedDocument& Document() {
    static SavedDocument saved;
    return saved;
}

void SaveOurs(benchmark::State& state, const char* name) {
    SavedDocument& saved = Document();
    for (auto _ : state) {
        if (saved.document.WriteTo(saved.File(name)) != PictureWriteResult::Written) {
            state.SkipWithError("the document was not written");
        }
    }
}

void SaveReference(benchmark::State& state, const char* name, ImageType type) {
    const std::filesystem::path path = Document().File(name);
    for (auto _ : state) {
        BenchPicture().Save(path, type);
    }
}

void BmpSaveOurs(benchmark::State& state) {
    SaveOurs(state, "saved.bmp");
}
void BmpSaveReference(benchmark::State& state) {
    SaveReference(state, "plain.bmp", ImageType::Bmp);
}
void JpegSaveOurs(benchmark::State& state) {
    SaveOurs(state, "saved.jpg");
}
void JpegSaveReference(benchmark::State& state) {
    SaveReference(state, "plain.jpg", ImageType::Jpeg);
}

// The view's paint of the picture at a zoom onto a window-sized surface,
// against QPainter putting an already converted picture there.
void PaintOurs(benchmark::State& state, double zoom) {
    SavedDocument& saved = Document();
    QImage target(ScaledLength(zoom, kBenchWidth), ScaledLength(zoom, kBenchHeight),
                  QImage::Format_RGB32);
    for (auto _ : state) {
        CQImageDrawContext dc(target);
        saved.document.Render(dc, {.zoom = zoom}, target.width(), target.height(),
                              ShapeSelection::None);
        benchmark::DoNotOptimize(target.constBits());
    }
}

void PaintReference(benchmark::State& state, double zoom) {
    QImage target(ScaledLength(zoom, kBenchWidth), ScaledLength(zoom, kBenchHeight),
                  QImage::Format_RGB32);
    QImage source(kBenchWidth, kBenchHeight, QImage::Format_RGB32);
    source.fill(Qt::gray);
    for (auto _ : state) {
        QPainter painter(&target);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(target.rect(), source);
        benchmark::DoNotOptimize(target.constBits());
    }
}

void PaintFullOurs(benchmark::State& state) {
    PaintOurs(state, 1.0);
}
void PaintFullReference(benchmark::State& state) {
    PaintReference(state, 1.0);
}
void PaintHalfOurs(benchmark::State& state) {
    PaintOurs(state, 0.5);
}
void PaintHalfReference(benchmark::State& state) {
    PaintReference(state, 0.5);
}

} // namespace

BENCHMARK(BmpSaveOurs)->Name("BmpSave/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BmpSaveReference)->Name("BmpSave/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(JpegSaveOurs)->Name("JpegSave/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(JpegSaveReference)->Name("JpegSave/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(PaintFullOurs)->Name("Paint1:1/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(PaintFullReference)->Name("Paint1:1/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(PaintHalfOurs)->Name("PaintHalf/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(PaintHalfReference)->Name("PaintHalf/reference")->Unit(benchmark::kMillisecond);

// Saving draws labels, which needs a GUI application; no window is shown.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    g_parameters.linewidth = 2;
    BenchPicture();
    Document();
    return RunBenchmarksWithRatios(argc, argv);
}
