#include "bench/ImageBench.h"
#include "reports/ReportFiles.h"
#include "reports/ReportPicture.h"
#include "shapes/ShapeKinds.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

namespace {

// 1 000 measurements of every kind in turn, marked, with the picture.
const CReportInput& BenchInput() {
    static const CReportInput input = [] {
        CReportInput made;
        made.texts = {QStringLiteral("Measure Report"), QStringLiteral("Acme"),
                      QStringLiteral("Lee")};
        made.date = QDate(2026, 1, 2);
        made.picture = true;
        const int kinds[] = {ShapeKind::kLine,       ShapeKind::kRectangle,
                             ShapeKind::kEllipse,    ShapeKind::kCircle,
                             ShapeKind::kArc,        ShapeKind::kPolygon,
                             ShapeKind::kText,       ShapeKind::kTwoCircles,
                             ShapeKind::kSquareMark, ShapeKind::kThreePointAngle};
        for (int i = 0; i < 1000; ++i) {
            CReportItem item;
            item.kind = kinds[i % 10];
            item.number = i;
            item.m = {100.0 + i, 50.0 + i / 3.0, 45.0};
            item.text = QStringLiteral("note %1").arg(i);
            item.marked = true;
            made.items.push_back(item);
        }
        return made;
    }();
    return input;
}

void WriteOurs(benchmark::State& state, const char* name) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(name));
    for (auto _ : state) {
        const QString error = WriteReportFile(path, BenchInput(), &BenchPicture());
        if (!error.isEmpty()) {
            state.SkipWithError(error.toStdString().c_str());
            break;
        }
    }
}

// The picture alone, encoded as three of the four kinds embed it.
void PngReference(benchmark::State& state) {
    for (auto _ : state) {
        const QByteArray png = EncodeReportPng(BenchPicture());
        benchmark::DoNotOptimize(png.constData());
    }
}

} // namespace

BENCHMARK_CAPTURE(WriteOurs, xlsx, "r.xlsx")
    ->Name("ReportXlsx/ours")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PngReference)->Name("ReportXlsx/reference")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteOurs, xls, "r.xls")->Name("ReportXls/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(PngReference)->Name("ReportXls/reference")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteOurs, docx, "r.docx")
    ->Name("ReportDocx/ours")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PngReference)->Name("ReportDocx/reference")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteOurs, doc, "r.doc")->Name("ReportDoc/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(PngReference)->Name("ReportDoc/reference")->Unit(benchmark::kMillisecond);
