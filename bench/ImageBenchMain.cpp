#include "bench/ImageBench.h"
#include "bench/RatioReporter.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>

int main(int argc, char** argv) {
    // Our code runs on one thread; so does the reference.
    cv::setNumThreads(1);
    BenchPicture();
    return RunBenchmarksWithRatios(argc, argv);
}
