#include "image/Adjustments.h"
#include "image/Dib.h"
#include "tools/EdgeTools.h"
#include "tools/HoughSearch.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

namespace {

// The width of the border of a search rectangle that never holds the line.
constexpr int kFrame = 2;

// The quarter block of each of `size` positions: block k starts at the
// integer part of k * size / 4.
std::vector<std::uint8_t> QuarterBlocks(int size) {
    std::vector<std::uint8_t> block(static_cast<std::size_t>(size));
    for (int k = 0; k < 4; ++k) {
        const int begin = static_cast<int>(k * (size / 4.0));
        const int end = k == 3 ? size : static_cast<int>((k + 1) * (size / 4.0));
        for (int i = begin; i < end; ++i) {
            block[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(k);
        }
    }
    return block;
}

// Whether the block of column quarter `column` and stored-row quarter `row`
// (0 = the bottom quarter on screen) may hold the line.
bool KeepsBlock(EdgeOrientation orientation, int column, int row) {
    switch (orientation) {
    case EdgeOrientation::Falling:
        return column + row == 3; // the leftmost column quarter is the top one on screen
    case EdgeOrientation::Rising:
        return column == row;
    case EdgeOrientation::Vertical:
        return column == 1 || column == 2;
    case EdgeOrientation::Horizontal:
        return row == 1 || row == 2;
    case EdgeOrientation::Any:
        break;
    }
    return true;
}

// The candidates of the Hough transform, 255 on 0, rows in stored order (row
// 0 is the bottom row of `cut`): the dark pixels with at least one bright
// neighbour, off the frame and in the kept blocks. Dark is Otsu's lower class,
// the grey levels up to and including the threshold: leaving the threshold
// level itself out would leave nothing dark in a picture of two grey levels
// (black on white among them), where the threshold is the dark level.
cv::Mat EdgeCandidates(const CDib& picture, const QRect& cut, EdgeOrientation orientation) {
    const int width = cut.width();
    const int height = cut.height();
    const int firstRow = picture.StoredRow(cut.bottom());
    cv::Mat grey(height, width, CV_8UC1);
    std::array<std::uint64_t, 256> histogram{};
    for (int s = 0; s < height; ++s) {
        const std::uint8_t* bgr = picture.Row(firstRow + s) + 3 * static_cast<std::size_t>(cut.x());
        std::uint8_t* out = grey.ptr<std::uint8_t>(s);
        for (int x = 0; x < width; ++x, bgr += 3) {
            out[x] = static_cast<std::uint8_t>(EdgeSearchGrey(bgr[0], bgr[1], bgr[2]));
            ++histogram[out[x]];
        }
    }
    const int threshold = OtsuThreshold(histogram);
    const auto dark = [&](int x, int s) {
        return grey.at<std::uint8_t>(s, x) <= threshold;
    };

    const std::vector<std::uint8_t> columnBlock = QuarterBlocks(width);
    const std::vector<std::uint8_t> rowBlock = QuarterBlocks(height);
    cv::Mat candidates = cv::Mat::zeros(height, width, CV_8UC1);
    for (int s = kFrame; s < height - kFrame; ++s) {
        std::uint8_t* out = candidates.ptr<std::uint8_t>(s);
        for (int x = kFrame; x < width - kFrame; ++x) {
            if (!dark(x, s) || !KeepsBlock(orientation, columnBlock[x], rowBlock[s])) {
                continue;
            }
            // Inside a dark area (all eight neighbours dark) is not on its boundary.
            const bool inside = dark(x - 1, s - 1) && dark(x, s - 1) && dark(x + 1, s - 1) &&
                                dark(x - 1, s) && dark(x + 1, s) && dark(x - 1, s + 1) &&
                                dark(x, s + 1) && dark(x + 1, s + 1);
            if (!inside) {
                out[x] = 255;
            }
        }
    }
    return candidates;
}

} // namespace

std::optional<CEdgeSegment> DetectEdgeLine(const CDib& picture, const QRect& rect,
                                           EdgeOrientation orientation) {
    if (!picture.IsValid() || picture.BitsPerPixel() != 24) {
        return std::nullopt;
    }
    const QRect cut = rect.intersected(QRect(0, 0, picture.Width(), picture.Height()));
    if (cut.isEmpty()) {
        return std::nullopt;
    }
    const cv::Mat candidates = EdgeCandidates(picture, cut, orientation);
    const double diagonal =
        std::sqrt(double(cut.width()) * cut.width() + double(cut.height()) * cut.height());
    const std::vector<cv::Vec4i> segments =
        FirstHoughSegments(candidates, static_cast<int>(diagonal));
    const cv::Vec4i* shortest = nullptr;
    std::int64_t shortestLength = 0;
    for (const cv::Vec4i& segment : segments) {
        const std::int64_t dx = segment[2] - segment[0];
        const std::int64_t dy = segment[3] - segment[1];
        const std::int64_t length = dx * dx + dy * dy;
        if (shortest == nullptr || length <= shortestLength) {
            shortest = &segment;
            shortestLength = length;
        }
    }
    if (shortest == nullptr || shortestLength == 0) {
        return std::nullopt;
    }
    // Row s of the candidates is picture row bottom - s.
    const cv::Vec4i& s = *shortest;
    return CEdgeSegment{{cut.left() + s[0], cut.bottom() - s[1]},
                        {cut.left() + s[2], cut.bottom() - s[3]}};
}
