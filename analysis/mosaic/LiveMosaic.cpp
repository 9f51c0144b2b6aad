#include "analysis/mosaic/LiveMosaic.h"

#include "analysis/mosaic/LiveRegistration.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace {

constexpr std::size_t kTrack = 3; // places the velocity is taken from
constexpr int kFeather = 48;      // border pixels over which a frame's weight fades (never to 0)
constexpr double kLearnStep = 6;  // pixels moved before the vignetting learns again

// Each frame pixel's weight in the blend: highest in the middle, where the
// optics lose least light and distort least, falling towards the corners (so
// a mosaic pixel is made mostly of the frames that saw it near their middle)
// and fading out over the last pixels of the border, so no seam shows.
cv::Mat Feather(cv::Size size) {
    cv::Mat weight(size, CV_8U);
    const double cx = size.width / 2.0;
    const double cy = size.height / 2.0;
    const double corner2 = cx * cx + cy * cy;
    for (int y = 0; y < size.height; ++y) {
        auto* row = weight.ptr<std::uint8_t>(y);
        for (int x = 0; x < size.width; ++x) {
            const int edge = std::min({x, y, size.width - 1 - x, size.height - 1 - y});
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            const double middle = 1.0 - (dx * dx + dy * dy) / corner2;
            const double border = std::min(1.0, (edge + 1.0) / kFeather);
            row[x] =
                static_cast<std::uint8_t>(std::clamp(std::lround(255 * middle * border), 1L, 255L));
        }
    }
    return weight;
}

} // namespace

const char* LiveMosaicReason(LiveMosaicFailure failure) {
    switch (failure) {
    case LiveMosaicFailure::MovedTooFast:
        return "Moved too fast: move back to the mosaic";
    case LiveMosaicFailure::NothingToLockOn:
        return "Nothing to lock on: move to a part with detail";
    default:
        return "";
    }
}

CLiveMosaic::CLiveMosaic(CLiveMosaicOptions options)
    : m_options(options) {}

CLiveMosaicStep CLiveMosaic::Add(const cv::Mat& bgr) {
    CLiveMosaicStep step;
    cv::Mat frame = bgr.clone();
    cv::Mat grey;
    cv::cvtColor(frame, grey, cv::COLOR_BGR2GRAY);
    grey.convertTo(grey, CV_32F);

    if (m_added == 0) {
        m_frameSize = frame.size();
        m_feather = Feather(m_frameSize);
        if (FrameTexture(grey) < m_options.minTexture) {
            step.failure = LiveMosaicFailure::NothingToLockOn;
            return step;
        }
        m_vignetting.Learn(grey);
        m_learnedAt = {};
        m_vignetting.Correct(frame);
        Place(frame, {});
        step.added = true;
        return step;
    }
    if (frame.size() != m_frameSize) {
        step.failure = LiveMosaicFailure::MovedTooFast;
        return step;
    }

    // Where to look: one step on from the last good place at the last
    // velocity, as far around it as the velocity is uncertain; when the
    // frame is not there (the slide stopped or turned) or the last frame was
    // lost, widely around the last good place.
    const cv::Point2d last = m_track.back();
    cv::Point2d velocity;
    if (m_track.size() >= 2) {
        velocity = (m_track.back() - m_track.front()) / static_cast<double>(m_track.size() - 1);
    }
    m_vignetting.Correct(frame);
    cv::Mat corrected;
    cv::cvtColor(frame, corrected, cv::COLOR_BGR2GRAY);
    corrected.convertTo(corrected, CV_32F);

    const int predictedRadius =
        m_options.searchRadius + static_cast<int>(std::ceil(cv::norm(velocity)));
    struct Search {
        cv::Point2d around;
        int radius;
    };
    std::vector<Search> searches;
    if (!m_lost) {
        searches.push_back({last + velocity, predictedRadius});
    }
    searches.push_back({last, std::max(predictedRadius, m_options.wideSearchRadius)});
    step.at = searches.front().around;
    for (const Search& search : searches) {
        const cv::Point corner(static_cast<int>(std::lround(search.around.x)) - search.radius,
                               static_cast<int>(std::lround(search.around.y)) - search.radius);
        const cv::Rect area(corner, m_frameSize + cv::Size(2 * search.radius, 2 * search.radius));
        cv::Mat region, covered;
        m_canvas.ReadGrey(area, region, covered);
        const CRegionMatch match = MatchInRegion(corrected, region, covered, search.radius);
        step.score = match.score;
        if (match.texture < m_options.minTexture) {
            step.failure = LiveMosaicFailure::NothingToLockOn;
            break;
        }
        if (match.found && !match.atEdge && match.score >= m_options.minScore) {
            step.failure = LiveMosaicFailure::None;
            step.at = cv::Point2d(corner) + match.offset;
            break;
        }
        step.failure = LiveMosaicFailure::MovedTooFast;
    }
    if (step.failure != LiveMosaicFailure::None) {
        m_lost = true;
        return step;
    }
    m_lost = false;
    step.added = true;
    if (cv::norm(step.at - m_learnedAt) >= kLearnStep) {
        m_vignetting.Learn(grey);
        m_learnedAt = step.at;
    }
    Place(frame, step.at);
    return step;
}

void CLiveMosaic::Place(const cv::Mat& bgr, cv::Point2d at) {
    // Whole pixels of the mosaic: the frame moved by the fraction.
    const cv::Point whole(static_cast<int>(std::floor(at.x)), static_cast<int>(std::floor(at.y)));
    const cv::Point2d fraction = at - cv::Point2d(whole);
    cv::Mat shifted;
    const cv::Matx23d shift(1, 0, fraction.x, 0, 1, fraction.y);
    cv::warpAffine(bgr, shifted, shift, bgr.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    m_canvas.Blend(shifted, m_feather, whole);
    m_track.push_back(at);
    if (m_track.size() > kTrack) {
        m_track.pop_front();
    }
    ++m_added;
}
