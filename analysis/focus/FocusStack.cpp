#include "analysis/focus/FocusStack.h"

#include "analysis/focus/FocusAlign.h"
#include "analysis/focus/FocusFusion.h"
#include "analysis/focus/FocusImage.h"
#include "analysis/focus/FocusMeasure.h"
#include "analysis/focus/FocusPeaks.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The two readings of the series (placing and measuring, composing) as
// shares of the whole work.
constexpr int kMeasuredPercent = 70;

using SliceName = std::function<std::string(int index)>;

struct CSlice {
    int index = 0; // in the series
    cv::Matx23d toSlice = IdentityTransform();
};

bool Report(const std::function<bool(int)>& progress, int percent) {
    return !progress || progress(percent);
}

bool Read(const FocusSliceSource& source, const SliceName& name, int index, cv::Size size,
          cv::Mat& bgr, std::string& error) {
    CDib picture;
    std::string reason;
    if (!source(index, picture, reason) || !picture.IsValid()) {
        error = reason.empty() ? name(index) + ": cannot be read" : reason;
        return false;
    }
    bgr = DibToBgr(picture);
    if (!size.empty() && bgr.size() != size) {
        error = name(index) + ": " + std::to_string(bgr.cols) + " x " + std::to_string(bgr.rows) +
                " pixels, not " + std::to_string(size.width) + " x " + std::to_string(size.height) +
                " like the first picture";
        return false;
    }
    return true;
}

// Heights from positions among the used slices to positions in the series,
// then to the unit.
CHeightMap HeightMapOf(const cv::Mat& heights, const std::vector<CSlice>& used,
                       const CFocusOptions& options) {
    CHeightMap map;
    map.width = heights.cols;
    map.height = heights.rows;
    map.heights.resize(static_cast<std::size_t>(map.width) * map.height);
    const bool inUnit = options.zStep > 0;
    map.unit = inUnit ? options.unit : std::string();
    const double step = inUnit ? options.zStep : 1.0;
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    const int last = static_cast<int>(used.size()) - 1;
    for (int y = 0; y < heights.rows; ++y) {
        const float* h = heights.ptr<float>(y);
        float* out = map.heights.data() + static_cast<std::size_t>(y) * map.width;
        for (int x = 0; x < heights.cols; ++x) {
            if (std::isnan(h[x])) {
                out[x] = h[x];
                continue;
            }
            const double u = std::clamp(static_cast<double>(h[x]), 0.0, static_cast<double>(last));
            const int below = std::min(static_cast<int>(u), std::max(0, last - 1));
            const int above = std::min(below + 1, last);
            const double z =
                used[below].index + (u - below) * (used[above].index - used[below].index);
            out[x] = static_cast<float>(z * step);
            low = std::min(low, z * step);
            high = std::max(high, z * step);
        }
    }
    if (low <= high) {
        map.low = low;
        map.high = high;
    }
    return map;
}

CFocusStackResult Stack(int count, const FocusSliceSource& source, const SliceName& name,
                        const CFocusOptions& options, const std::function<bool(int)>& progress) {
    CFocusStackResult result;
    if (count < 2) {
        result.error = "A focus stack needs at least two pictures";
        return result;
    }
    result.alignments.resize(static_cast<std::size_t>(count));
    std::optional<CPictureScale> scale;
    cv::Size size;

    // Reading each slice once: placing it on the first (matched to the slice
    // before it) and measuring the focus peak of every pixel there, in
    // constant memory.
    CFocusAligner aligner;
    CFocusPeaks peaks;
    std::vector<CSlice> used;
    std::vector<std::optional<cv::Matx23d>> placements(static_cast<std::size_t>(count));
    double noise = std::numeric_limits<double>::infinity();
    for (int i = 0; i < count; ++i) {
        if (!Report(progress, i * kMeasuredPercent / count)) {
            result.cancelled = true;
            return result;
        }
        cv::Mat bgr;
        if (i == 0) {
            CDib first;
            std::string reason;
            if (!source(0, first, reason) || !first.IsValid()) {
                result.error = reason.empty() ? name(0) + ": cannot be read" : reason;
                return result;
            }
            scale = first.Scale();
            bgr = DibToBgr(first);
            size = bgr.size();
        } else if (!Read(source, name, i, size, bgr, result.error)) {
            return result;
        }
        cv::Mat grey = GreyFloat(bgr);
        bgr.release();
        noise = std::min(noise, NoiseEnergy(grey));
        cv::Matx23d toSlice = IdentityTransform();
        if (i == 0) {
            aligner.Start(grey);
        } else if (options.align) {
            CSliceAlignment& alignment = result.alignments[static_cast<std::size_t>(i)];
            if (!aligner.Place(grey, toSlice, alignment.note)) {
                alignment.aligned = false;
                continue;
            }
            placements[static_cast<std::size_t>(i)] = toSlice;
            // The measure needs no more than this placement; the merge waits
            // for the one evened out over the whole series.
            if (NearIdentity(toSlice, size, aligner.MatchFactor())) {
                toSlice = IdentityTransform();
            }
        }
        peaks.Add(FineEnergy(WarpToFirst(grey, toSlice)));
        used.push_back({i, toSlice});
    }
    if (used.size() < 2) {
        result.error = "Fewer than two pictures could be aligned";
        return result;
    }
    if (options.align) {
        placements[0] = IdentityTransform();
        aligner.Steady(placements);
        for (CSlice& slice : used) {
            slice.toSlice = *placements[static_cast<std::size_t>(slice.index)];
            result.alignments[static_cast<std::size_t>(slice.index)] =
                DescribeTransform(slice.toSlice, size);
        }
    }

    cv::Mat heights, confidence;
    peaks.Heights(noise, heights, confidence);
    peaks = CFocusPeaks();
    SmoothHeights(heights, confidence);
    result.heights = HeightMapOf(heights, used, options);
    const cv::Mat filled = FilledHeights(heights, confidence, 0);
    heights.release();
    confidence.release();

    // Composing: each pixel from the slices bracketing its height.
    CFocusFusion fusion(filled, static_cast<int>(used.size()));
    const int slices = static_cast<int>(used.size());
    for (int u = 0; u < slices; ++u) {
        if (!Report(progress, kMeasuredPercent + u * (100 - kMeasuredPercent) / slices)) {
            result.cancelled = true;
            return result;
        }
        if (!fusion.Needs(u)) {
            continue;
        }
        const CSlice& slice = used[static_cast<std::size_t>(u)];
        cv::Mat bgr;
        if (!Read(source, name, slice.index, size, bgr, result.error)) {
            return result;
        }
        fusion.Add(u, WarpToFirst(bgr, slice.toSlice));
    }
    result.picture = BgrToDib(fusion.Picture());
    result.picture.SetScale(scale);
    Report(progress, 100);
    return result;
}

} // namespace

std::optional<double> HeightAt(const CHeightMap& map, int x, int y) {
    if (x < 0 || y < 0 || x >= map.width || y >= map.height) {
        return std::nullopt;
    }
    const float h = map.heights[static_cast<std::size_t>(y) * map.width + x];
    if (std::isnan(h)) {
        return std::nullopt;
    }
    return h;
}

CFocusStackResult FocusStack(int count, const FocusSliceSource& source,
                             const CFocusOptions& options,
                             const std::function<bool(int)>& progress) {
    const auto name = [](int index) {
        return "Picture " + std::to_string(index + 1);
    };
    return Stack(count, source, name, options, progress);
}

CFocusStackResult FocusStackFiles(const std::vector<std::filesystem::path>& files,
                                  const CFocusOptions& options,
                                  const std::function<bool(int)>& progress) {
    const auto name = [&files](int index) {
        return files[static_cast<std::size_t>(index)].string();
    };
    const auto load = [&files](int index, CDib& picture, std::string& error) {
        const std::filesystem::path& file = files[static_cast<std::size_t>(index)];
        if (!picture.Load(file, ImageType::Unknown)) {
            error = file.string() + ": " + picture.LastError();
            return false;
        }
        return true;
    };
    return Stack(static_cast<int>(files.size()), load, name, options, progress);
}
