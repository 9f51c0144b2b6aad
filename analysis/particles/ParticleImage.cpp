#include "analysis/particles/ParticleImage.h"

#include "tools/EdgeTools.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

cv::Rect AnalysedRect(const CDib& picture, const CParticleOptions& options) {
    const cv::Rect whole(0, 0, picture.Width(), picture.Height());
    if (!options.region || options.region->IsEmpty()) {
        return whole;
    }
    // The selection counts stored rows from the bottom of the picture.
    const SelectionBox& box = *options.region;
    const cv::Rect rect(box.left, picture.Height() - box.top, box.right - box.left,
                        box.top - box.bottom);
    return rect & whole;
}

cv::Mat PictureGrey(const CDib& picture, const cv::Rect& rect) {
    cv::Mat grey(rect.height, rect.width, CV_8UC1);
    // The same products summed in the same order as EdgeSearchGrey, so every
    // level equals what the edge searches see.
    std::array<std::uint8_t, 256> paletteGrey{};
    if (picture.BitsPerPixel() == 8) {
        for (int i = 0; i < 256; ++i) {
            const RgbQuad c = picture.PaletteColor(static_cast<std::uint8_t>(i));
            paletteGrey[i] = static_cast<std::uint8_t>(EdgeSearchGrey(c.blue, c.green, c.red));
        }
    }
    std::array<double, 256> blue{};
    std::array<double, 256> green{};
    std::array<double, 256> red{};
    for (int i = 0; i < 256; ++i) {
        blue[i] = 0.11 * i;
        green[i] = 0.59 * i;
        red[i] = 0.3 * i;
    }
    for (int y = 0; y < rect.height; ++y) {
        const std::uint8_t* in = picture.Row(picture.StoredRow(rect.y + y));
        std::uint8_t* out = grey.ptr<std::uint8_t>(y);
        if (picture.BitsPerPixel() == 8) {
            for (int x = 0; x < rect.width; ++x) {
                out[x] = paletteGrey[in[rect.x + x]];
            }
            continue;
        }
        const std::uint8_t* bgr = in + 3 * static_cast<std::size_t>(rect.x);
        for (int x = 0; x < rect.width; ++x, bgr += 3) {
            out[x] = static_cast<std::uint8_t>(blue[bgr[0]] + green[bgr[1]] + red[bgr[2]] + 0.5);
        }
    }
    return grey;
}

void FlattenBackground(cv::Mat& grey, int radius, ParticleObjects objects) {
    if (radius <= 0 || grey.empty()) {
        return;
    }
    // The background is estimated on a picture shrunk so that the disc is a
    // few pixels wide: a large disc on a full picture would cost seconds,
    // and the background is smooth by assumption.
    constexpr int kSmallRadius = 6;
    const double shrink = std::max(1.0, static_cast<double>(radius) / kSmallRadius);
    const cv::Size small(std::max(1, static_cast<int>(std::lround(grey.cols / shrink))),
                         std::max(1, static_cast<int>(std::lround(grey.rows / shrink))));
    const int smallRadius = std::max(1, static_cast<int>(std::lround(radius / shrink)));
    cv::Mat background;
    cv::resize(grey, background, small, 0, 0, cv::INTER_AREA);
    const cv::Mat disc = cv::getStructuringElement(
        cv::MORPH_ELLIPSE, cv::Size(2 * smallRadius + 1, 2 * smallRadius + 1));
    cv::morphologyEx(background, background,
                     objects == ParticleObjects::Dark ? cv::MORPH_CLOSE : cv::MORPH_OPEN, disc,
                     cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::blur(background, background, cv::Size(2 * smallRadius + 1, 2 * smallRadius + 1),
             cv::Point(-1, -1), cv::BORDER_REPLICATE);
    cv::resize(background, background, grey.size(), 0, 0, cv::INTER_LINEAR);
    const double mean = cv::mean(background)[0];
    cv::Mat flat;
    cv::subtract(grey, background, flat, cv::noArray(), CV_16S);
    flat.convertTo(grey, CV_8U, 1.0, mean);
}

GreyHistogram HistogramOf(const cv::Mat& grey) {
    std::array<std::int64_t, 256> counts{};
    for (int y = 0; y < grey.rows; ++y) {
        const std::uint8_t* row = grey.ptr<std::uint8_t>(y);
        for (int x = 0; x < grey.cols; ++x) {
            ++counts[row[x]];
        }
    }
    GreyHistogram histogram{};
    std::copy(counts.begin(), counts.end(), histogram.begin());
    return histogram;
}

int OtsuThreshold(const GreyHistogram& histogram) {
    double total = 0;
    double sum = 0;
    for (int i = 0; i < 256; ++i) {
        total += histogram[i];
        sum += i * histogram[i];
    }
    double lowCount = 0;
    double lowSum = 0;
    double best = -1;
    int first = 0;
    int last = 0;
    for (int t = 0; t < 255; ++t) {
        lowCount += histogram[t];
        lowSum += t * histogram[t];
        const double highCount = total - lowCount;
        if (lowCount == 0 || highCount == 0) {
            continue;
        }
        const double difference = lowSum / lowCount - (sum - lowSum) / highCount;
        const double between = lowCount * highCount * difference * difference;
        if (between > best * (1 + 1e-12)) {
            best = between;
            first = last = t;
        } else if (between >= best * (1 - 1e-12)) {
            last = t;
        }
    }
    // Levels between two that no pixel has separate equally well; the middle
    // one puts the sub-pixel edge half way between the two, where it is.
    return (first + last) / 2;
}

int TriangleThreshold(const GreyHistogram& input) {
    // The line from the highest bin to the far end of the histogram's longer
    // side; the level farthest below the line splits the classes.
    GreyHistogram data = input;
    int first = 0;
    while (first < 255 && data[first] == 0) {
        ++first;
    }
    int last = 255;
    while (last > 0 && data[last] == 0) {
        --last;
    }
    if (first >= last) {
        return first;
    }
    first = std::max(first - 1, 0);
    last = std::min(last + 1, 255);
    const int peak = static_cast<int>(std::max_element(data.begin(), data.end()) - data.begin());
    const bool inverted = peak - first < last - peak;
    int low = first;
    int top = peak;
    if (inverted) {
        std::reverse(data.begin(), data.end());
        low = 255 - last;
        top = 255 - peak;
    }
    if (low == top) {
        return inverted ? 255 - low : low;
    }
    double nx = data[top];
    double ny = low - top;
    const double length = std::hypot(nx, ny);
    nx /= length;
    ny /= length;
    const double d = nx * low + ny * data[low];
    int split = low;
    double farthest = 0;
    for (int i = low + 1; i <= top; ++i) {
        const double distance = nx * i + ny * data[i] - d;
        if (distance > farthest) {
            split = i;
            farthest = distance;
        }
    }
    --split;
    return inverted ? 255 - split : split;
}

int IterativeIntermediateThreshold(const GreyHistogram& input) {
    // Black and white bins are left out: clipped pixels say nothing about
    // where objects end.
    GreyHistogram data = input;
    data[0] = 0;
    data[255] = 0;
    int low = 0;
    while (low < 255 && data[low] == 0) {
        ++low;
    }
    int high = 255;
    while (high > 0 && data[high] == 0) {
        --high;
    }
    if (low >= high) {
        return 128;
    }
    int moving = low;
    double result = 0;
    do {
        double sum1 = 0;
        double count1 = 0;
        double sum2 = 0;
        double count2 = 0;
        for (int i = low; i <= moving; ++i) {
            sum1 += i * data[i];
            count1 += data[i];
        }
        for (int i = moving + 1; i <= high; ++i) {
            sum2 += i * data[i];
            count2 += data[i];
        }
        result = (sum1 / count1 + sum2 / count2) / 2.0;
        ++moving;
    } while (moving + 1 <= result && moving < high - 1);
    return static_cast<int>(std::floor(result + 0.5));
}

CThresholdedGrey ThresholdedGrey(const CDib& picture, const CParticleOptions& options) {
    CThresholdedGrey out;
    out.rect = AnalysedRect(picture, options);
    if (out.rect.empty()) {
        out.threshold = std::clamp(options.manualThreshold, 0, 255);
        return out;
    }
    out.grey = PictureGrey(picture, out.rect);
    FlattenBackground(out.grey, options.flattenRadius, options.objects);
    switch (options.method) {
    case ThresholdMethod::Otsu:
        out.threshold = OtsuThreshold(HistogramOf(out.grey));
        break;
    case ThresholdMethod::Triangle:
        out.threshold = TriangleThreshold(HistogramOf(out.grey));
        break;
    case ThresholdMethod::Default:
        out.threshold = IterativeIntermediateThreshold(HistogramOf(out.grey));
        break;
    case ThresholdMethod::Manual:
        out.threshold = std::clamp(options.manualThreshold, 0, 255);
        break;
    }
    return out;
}
