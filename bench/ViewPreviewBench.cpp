#include "bench/ImageBench.h"
#include "bench/RatioReporter.h"
#include "core/CommandIds.h"
#include "core/MagnifierBuffer.h"
#include "core/Parameters.h"
#include "document/ui/CLOBRINDoc.h"
#include "shapes/ShapeFactory.h"
#include "shapes/ShapeKinds.h"
#include "tools/ui/CLOBRINView.h"

#include <benchmark/benchmark.h>
#include <memory>

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>

namespace {

namespace M = MeasureMode;

// The benchmark picture in a view at zoom 1, with a dozen measurements on it
// and the distance tool placing its second point: every mouse move redraws
// the line that follows the cursor.
struct ArmedView {
    QTemporaryDir dir;
    CLOBRINDoc document;
    std::unique_ptr<CLOBRINView> view;

    ArmedView() {
        const QString path = dir.filePath(QStringLiteral("bench.bmp"));
        BenchPicture().Save(path.toStdString(), ImageType::Bmp);
        document.OnOpenDocument(path);
        const struct {
            int mode;
            std::initializer_list<ShapePoint> points;
        } samples[] = {
            {M::kLine, {{100, 100}, {900, 400}, {500, 300}}},
            {M::kRectangle, {{300, 500}, {900, 800}, {950, 850}}},
            {M::kEllipse, {{1000, 100}, {1300, 400}, {1350, 450}}},
            {M::kCircle, {{600, 200}, {800, 300}, {850, 350}}},
            {M::kThreePointCircle, {{200, 600}, {400, 800}, {200, 900}, {450, 850}}},
            {M::kArc, {{400, 100}, {800, 100}, {600, 50}, {850, 150}}},
            {M::kThreePointAngle, {{1100, 600}, {1300, 800}, {1200, 500}, {1350, 850}}},
            {M::kParallel, {{50, 300}, {650, 350}, {100, 450}, {700, 450}}},
            {M::kTwoCircles, {{600, 700}, {700, 800}, {900, 700}, {1000, 800}, {1050, 850}}},
            {M::kSquareMark, {{250, 250}}},
            {M::kCircleMark, {{1250, 250}}},
            {M::kText, {{700, 50}}},
        };
        for (const auto& sample : samples) {
            CShapeParams params;
            int i = 0;
            for (const ShapePoint& p : sample.points) {
                params.points[i++] = p;
            }
            params.imgWidth = kBenchWidth;
            params.imgHeight = kBenchHeight;
            params.text = QStringLiteral("Sample 7, left edge");
            std::unique_ptr<CShape> shape = CreateShape(sample.mode, params);
            CompleteShape(*shape, 0);
            document.Model().AddShape(std::move(shape));
        }
        view = std::make_unique<CLOBRINView>(document);
        view->resize(1400, 900);
        view->show();
        view->OnInitialUpdate();
        QApplication::processEvents();
        document.OnCommand(ID_MEASURE_LINE);
        Send(QEvent::MouseButtonPress, {120, 110}, Qt::LeftButton);
        Send(QEvent::MouseButtonRelease, {120, 110}, Qt::LeftButton);
        QApplication::processEvents();
    }

    void Send(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton) {
        QMouseEvent event(type, at, view->viewport()->mapToGlobal(at), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &event);
    }
};

// Made and destroyed by main, while the application object exists.
std::unique_ptr<ArmedView>& Armed() {
    static std::unique_ptr<ArmedView> armed;
    return armed;
}

ArmedView& View() {
    return *Armed();
}

// One mouse move and the repaint it asks for.
void MoveOurs(benchmark::State& state) {
    ArmedView& armed = View();
    int step = 0;
    for (auto _ : state) {
        armed.Send(QEvent::MouseMove, {900 + step % 2 * 7, 500 + step % 2 * 5});
        QApplication::processEvents();
        ++step;
    }
}

// What a view without the off-screen picture does on every move: the zoomed
// picture with every shape drawn again, and the whole view painted.
void MoveReference(benchmark::State& state) {
    ArmedView& armed = View();
    for (auto _ : state) {
        armed.view->InvalidatePicture();
        armed.view->viewport()->repaint();
    }
}

} // namespace

BENCHMARK(MoveOurs)->Name("MouseMove/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(MoveReference)->Name("MouseMove/reference")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    g_parameters.linewidth = 2;
    // Every move also feeds the magnifier, as in the application.
    AllocateMagnifierBuffer();
    Armed() = std::make_unique<ArmedView>();
    const int result = RunBenchmarksWithRatios(argc, argv);
    Armed().reset();
    return result;
}
