#include "analysis/focus/FocusImage.h"

#include <cstring>
#include <opencv2/imgproc.hpp>

cv::Mat DibToBgr(const CDib& dib) {
    if (!dib.IsValid()) {
        return {};
    }
    cv::Mat bgr(dib.Height(), dib.Width(), CV_8UC3);
    const int width = dib.Width();
    for (int y = 0; y < dib.Height(); ++y) {
        const std::uint8_t* in = dib.Row(dib.StoredRow(y));
        auto* out = bgr.ptr<std::uint8_t>(y);
        if (dib.BitsPerPixel() == 24) {
            std::memcpy(out, in, static_cast<std::size_t>(width) * 3);
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const RgbQuad c = dib.PaletteColor(in[x]);
            out[3 * x] = c.blue;
            out[3 * x + 1] = c.green;
            out[3 * x + 2] = c.red;
        }
    }
    return bgr;
}

CDib BgrToDib(const cv::Mat& bgr) {
    CDib dib;
    if (bgr.empty() || !dib.Create(bgr.cols, bgr.rows, 24)) {
        return dib;
    }
    for (int y = 0; y < bgr.rows; ++y) {
        std::memcpy(dib.Row(dib.StoredRow(y)), bgr.ptr<std::uint8_t>(y),
                    static_cast<std::size_t>(bgr.cols) * 3);
    }
    return dib;
}

cv::Mat GreyFloat(const cv::Mat& bgr) {
    cv::Mat grey;
    cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
    cv::Mat result;
    grey.convertTo(result, CV_32F);
    return result;
}
