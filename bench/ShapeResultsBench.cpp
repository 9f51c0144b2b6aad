// The cost of a full relabel: computing the results of 10000 completed shapes
// of all kinds with the current calibration, against the plainest possible
// result computation (a length converted to units) over as many point pairs.

#include "shapes/ShapeFactory.h"
#include "shapes/ShapeList.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kShapes = 10000;

CShapeList& MixedShapes() {
    static CShapeList shapes;
    if (!shapes.IsEmpty()) {
        return shapes;
    }
    std::mt19937 random(20240607);
    std::uniform_real_distribution<double> coordinate(1.0, 639.0);
    const auto kinds = ShapeKindTable();
    CShapeCounters counters;
    for (int i = 0; i < kShapes; ++i) {
        const CShapeKindInfo& info = kinds[static_cast<std::size_t>(i) % kinds.size()];
        CShapeParams params;
        for (ShapePoint& point : params.points) {
            point = ShapePoint{coordinate(random), coordinate(random)};
        }
        params.text = QStringLiteral("note");
        params.markNumber = counters.TakeMarkNumber(info.mode);
        std::unique_ptr<CShape> shape = CreateShape(info.mode, params);
        CompleteShape(*shape, counters.TakeSerial());
        shapes.Add(std::move(shape));
    }
    return shapes;
}

void BM_MixedShapeResults(benchmark::State& state) {
    CShapeList& shapes = MixedShapes();
    int refreshes = 0;
    g_shapeNotifications.refreshResults = [&refreshes] {
        ++refreshes;
    };
    for (auto _ : state) {
        for (const auto& shape : shapes.Shapes()) {
            shape->ComputeResults();
        }
        benchmark::DoNotOptimize(shapes.Tail()->result);
    }
    g_shapeNotifications.refreshResults = nullptr;
    benchmark::DoNotOptimize(refreshes);
    state.SetItemsProcessed(state.iterations() * kShapes);
}
BENCHMARK(BM_MixedShapeResults)->Unit(benchmark::kMicrosecond);

void BM_ReferenceLineLengths(benchmark::State& state) {
    std::mt19937 random(20240607);
    std::uniform_real_distribution<double> coordinate(1.0, 639.0);
    std::vector<ShapePoint> points(2 * kShapes);
    for (ShapePoint& point : points) {
        point = ShapePoint{coordinate(random), coordinate(random)};
    }
    std::vector<double> lengths(kShapes);
    for (auto _ : state) {
        const CUnitConversion conversion = CurrentConversion();
        for (int i = 0; i < kShapes; ++i) {
            lengths[i] = conversion.Length(Distance(points[2 * i], points[2 * i + 1]));
        }
        benchmark::DoNotOptimize(lengths.data());
    }
    state.SetItemsProcessed(state.iterations() * kShapes);
}
BENCHMARK(BM_ReferenceLineLengths)->Unit(benchmark::kMicrosecond);

// Prints the CPU time per shape and the ratio to the reference after the
// table (CPU time: other builds often share the machine).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            m_nanoseconds[run.benchmark_name()] =
                run.GetAdjustedCPUTime() * (run.time_unit == benchmark::kMicrosecond ? 1e3 : 1.0);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintSummary() const {
        const auto shapes = m_nanoseconds.find("BM_MixedShapeResults");
        const auto reference = m_nanoseconds.find("BM_ReferenceLineLengths");
        if (shapes == m_nanoseconds.end() || reference == m_nanoseconds.end()) {
            return;
        }
        std::printf("results of %d mixed shapes: %.1f ns per shape, %.2f x the plain line "
                    "length\n",
                    kShapes, shapes->second / kShapes, shapes->second / reference->second);
    }

private:
    std::map<std::string, double> m_nanoseconds;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
