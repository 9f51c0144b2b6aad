#include "bench/ImageBench.h"
#include "bench/RatioReporter.h"
#include "core/Parameters.h"
#include "document/SessionFiles.h"
#include "document/StillImageDocument.h"
#include "framework/QImageDrawContext.h"
#include "framework/QImageDrawSurface.h"
#include "shapes/ShapeKinds.h"

#include <benchmark/benchmark.h>
#include <filesystem>

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

// Opening a picture whose session holds 10 000 measurements and showing it
// in a window-sized view, against opening and showing the bare picture.

namespace {

namespace M = MeasureMode;

constexpr int kShapes = 10000;
constexpr int kViewWidth = 1280;
constexpr int kViewHeight = 800;

struct SessionFolder {
    QTemporaryDir dir;
    QString withSession = dir.filePath(QStringLiteral("measured.bmp"));
    QString bare = dir.filePath(QStringLiteral("bare.bmp"));

    SessionFolder() {
        BenchPicture().Save(withSession.toStdString(), ImageType::Bmp);
        QFile::copy(withSession, bare);
        // Kinds of one, two, three and more points, spread over the picture.
        const struct {
            int mode;
            std::vector<ShapePoint> points;
        } samples[] = {
            {M::kLine, {{10, 10}, {190, 70}, {100, 60}}},
            {M::kRectangle, {{10, 10}, {150, 100}, {160, 110}}},
            {M::kRadiusCircle, {{80, 80}, {130, 80}, {140, 90}}},
            {M::kThreePointCircle, {{20, 80}, {80, 20}, {140, 80}, {150, 90}}},
            {M::kArc, {{20, 80}, {140, 80}, {80, 20}, {150, 90}}},
            {M::kThreePointAngle, {{10, 10}, {150, 100}, {60, 120}, {160, 110}}},
            {M::kPolygon, {{10, 10}, {120, 20}, {140, 110}, {30, 90}, {80, 60}}},
            {M::kText, {{40, 40}}},
            {M::kSquareMark, {{60, 60}}},
        };
        std::vector<CSessionShape> records;
        for (int i = 0; i < kShapes; ++i) {
            const auto& sample = samples[i % std::size(samples)];
            const double dx = (i * 37) % (kBenchWidth - 200);
            const double dy = (i * 53) % (kBenchHeight - 200);
            CSessionShape record;
            record.mode = sample.mode;
            for (const ShapePoint& p : sample.points) {
                record.points.push_back({p.x + dx, p.y + dy});
            }
            record.serial = i - 1;
            record.text = sample.mode == M::kText ? QStringLiteral("fibre %1").arg(i) : QString();
            record.markNumber = sample.mode == M::kSquareMark ? i : 0;
            records.push_back(std::move(record));
        }
        QString error;
        if (!SaveSessionBeside(withSession, kBenchWidth, kBenchHeight, std::move(records),
                               &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
        }
    }
};

SessionFolder& Folder() {
    static SessionFolder folder;
    return folder;
}

// Opens as the picture window does: the picture, its session, then one
// paint of the view.
void OpenAndShow(benchmark::State& state, const QString& path, bool session) {
    QImage view(kViewWidth, kViewHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        CStillImageDocument document(QImageSurfaceFactory());
        if (!document.Open(std::filesystem::path(path.toStdString()))) {
            state.SkipWithError("the picture did not open");
            return;
        }
        if (session) {
            CSessionLoad load = ReadSessionBeside(path, kBenchWidth, kBenchHeight);
            if (load.status != SessionLoadStatus::Loaded) {
                state.SkipWithError("the session did not load");
                return;
            }
            ApplySessionCalibration(load.session);
            document.AddSavedShapes(BuildSessionShapes(load.session));
        }
        CQImageDrawContext dc(view);
        document.Render(dc, {.penWidth = 1, .zoom = 1.0}, kViewWidth, kViewHeight,
                        ShapeSelection::Visible);
        benchmark::DoNotOptimize(view.constBits());
    }
}

void OpenOurs(benchmark::State& state) {
    OpenAndShow(state, Folder().withSession, true);
}
void OpenReference(benchmark::State& state) {
    OpenAndShow(state, Folder().bare, false);
}

} // namespace

BENCHMARK(OpenOurs)->Name("Open10000/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(OpenReference)->Name("Open10000/reference")->Unit(benchmark::kMillisecond);

// Labels need fonts, hence a GUI application; no window is shown.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    BenchPicture();
    Folder();
    return RunBenchmarksWithRatios(argc, argv);
}
