#pragma once

#include <algorithm>
#include <cstddef>
#include <opencv2/core/utility.hpp>

// Runs work(k) for every k in 0..count-1 on OpenCV's threads, `batch` at a
// time, and after each batch calls after(done) on the caller's thread, so
// that progress reports and cancelling stay there; after returning false
// stops before the next batch. `work` must only touch what belongs to its k.
template <class Work, class After>
bool ForEachInBatches(std::size_t count, std::size_t batch, const Work& work, const After& after) {
    for (std::size_t start = 0; start < count; start += batch) {
        const std::size_t end = std::min(count, start + batch);
        cv::parallel_for_(cv::Range(static_cast<int>(start), static_cast<int>(end)),
                          [&](const cv::Range& range) {
                              for (int k = range.start; k < range.end; ++k) {
                                  work(static_cast<std::size_t>(k));
                              }
                          });
        if (!after(end)) {
            return false;
        }
    }
    return true;
}

// Enough items per batch to keep every thread busy while progress still
// moves often.
inline std::size_t BatchSize() {
    return static_cast<std::size_t>(std::max(1, cv::getNumThreads())) * 2;
}
