#pragma once

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

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

// Runs the benchmarks selected on the command line and prints the ratio table.
inline int RunBenchmarksWithRatios(int& argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
