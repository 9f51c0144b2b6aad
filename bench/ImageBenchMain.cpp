#include "bench/ImageBench.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <map>
#include <opencv2/core.hpp>
#include <random>
#include <set>
#include <string>

const CDib& BenchPicture() {
    static const CDib picture = [] {
        CDib dib;
        dib.Create(kBenchWidth, kBenchHeight, 24);
        std::mt19937 random(7);
        for (int row = 0; row < kBenchHeight; ++row) {
            std::uint8_t* pixels = dib.Row(row);
            for (int x = 0; x < kBenchWidth; ++x) {
                const double shade = 150 + 40 * std::sin(x / 170.0) * std::cos(row / 130.0);
                const bool feature = std::hypot(x % 300 - 150, row % 260 - 130) < 60;
                const int base = static_cast<int>(feature ? shade * 0.3 : shade);
                for (int c = 0; c < 3; ++c) {
                    const int noisy = base + c * 12 + static_cast<int>(random() % 21) - 10;
                    pixels[3 * x + c] = static_cast<std::uint8_t>(std::clamp(noisy, 0, 255));
                }
            }
        }
        return dib;
    }();
    return picture;
}

namespace {

// Collects the mean time of every run and prints, per operation, ours over
// the reference: benchmarks are named "<operation>/ours" and
// "<operation>/reference".
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions the median stands for the operation.
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                m_times[name] = run.GetAdjustedRealTime();
                m_median.insert(name);
            } else if (run.run_type == Run::RT_Iteration && !m_median.contains(name)) {
                m_times[name] = run.GetAdjustedRealTime();
            }
        }
    }
    void PrintRatios() const {
        std::printf("\n%-20s %12s %12s %8s\n", "operation", "ours ms", "reference ms", "ratio");
        for (const auto& [name, time] : m_times) {
            const std::size_t slash = name.find("/ours");
            if (slash == std::string::npos) {
                continue;
            }
            const std::string operation = name.substr(0, slash);
            const auto reference = m_times.find(operation + "/reference");
            if (reference == m_times.end()) {
                continue;
            }
            std::printf("%-20s %12.4f %12.4f %8.4f\n", operation.c_str(), time, reference->second,
                        time / reference->second);
        }
    }

private:
    std::map<std::string, double> m_times;
    std::set<std::string> m_median;
};

} // namespace

int main(int argc, char** argv) {
    // Our code runs on one thread; so does the reference.
    cv::setNumThreads(1);
    BenchPicture();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
