#include "analysis/focus/LiveFocusStack.h"

#include "analysis/focus/FocusAlign.h"
#include "analysis/focus/FocusImage.h"
#include "analysis/focus/FocusMeasure.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <opencv2/imgproc.hpp>

namespace {

// A live frame is matched on a smaller copy than a still series: it must
// keep pace with the camera.
constexpr int kLiveMatchWidth = 320;
// Sharpness is compared per cell of this many pixels square, smoothed over a
// few cells: steady against noise where texture is faint (which a still
// series fills from its surroundings), and the ground around a bright
// object in focus comes from the object's frame instead of a blurred one.
constexpr int kCell = 8;
constexpr double kCellSmoothing = 2.0;
// As for still series: a height counts where the measure stands this many
// noise floors above the floor.
constexpr double kPeakOverNoise = 2.0;
// Frames are matched one by one against the result so far, with no series to
// even out the matching's errors (about half a pixel where the blur differs
// across the frame): smaller motions are left alone.
constexpr double kResampleFrom = 0.75;
// A frame this much sharper than the result so far replaces it outright.
constexpr float kTakeOver = 0.25F;

cv::Mat SteadyEnergy(const cv::Mat& grey) {
    cv::Mat energy = CellEnergy(grey, kCell);
    cv::GaussianBlur(energy, energy, cv::Size(), kCellSmoothing, 0, cv::BORDER_REFLECT);
    return energy;
}

// Where the parabola through three (z, v) points has its vertex; `z0` when
// they do not define one.
double Vertex(double z1, double v1, double z0, double v0, double z2, double v2) {
    const double a = (z0 - z1) * (v0 - v2), b = (z0 - z2) * (v0 - v1);
    const double denominator = a - b;
    if (denominator == 0) {
        return z0;
    }
    const double vertex = z0 - 0.5 * ((z0 - z1) * a - (z0 - z2) * b) / denominator;
    return std::clamp(vertex, std::min({z1, z0, z2}), std::max({z1, z0, z2}));
}

} // namespace

struct CLiveFocusStack::State {
    double zStep = 1;
    std::string unit;
    std::string reason;
    int frames = 0;
    double noise = std::numeric_limits<double>::infinity();
    CFocusAligner aligner;
    cv::Mat fused; // CV_8UC3
    CDib picture;
    // Per cell: the sharpest frame's measure and z, and the measures and z
    // of the frames just before and after it, for a sub-step fit.
    cv::Mat best, bestZ, below, belowZ, above, aboveZ;
    cv::Mat previous;
    double previousZ = 0;
    cv::Mat cellShare, share; // per cell and per pixel, reused
};

CLiveFocusStack::CLiveFocusStack(double zStep, std::string unit)
    : m_state(std::make_unique<State>()) {
    m_state->zStep = zStep;
    m_state->unit = std::move(unit);
}

CLiveFocusStack::~CLiveFocusStack() = default;
CLiveFocusStack::CLiveFocusStack(CLiveFocusStack&&) noexcept = default;
CLiveFocusStack& CLiveFocusStack::operator=(CLiveFocusStack&&) noexcept = default;

bool CLiveFocusStack::Add(const CDib& frame, std::optional<double> z) {
    State& s = *m_state;
    s.reason.clear();
    cv::Mat bgr = DibToBgr(frame);
    if (bgr.empty()) {
        s.reason = "The frame is empty";
        return false;
    }
    const double at = z.value_or(s.frames * s.zStep);
    cv::Mat grey = GreyFloat(bgr);
    if (s.frames == 0) {
        s.aligner.Start(grey, kLiveMatchWidth);
        s.fused = bgr;
        s.best = SteadyEnergy(grey);
        const cv::Size cells = s.best.size();
        s.bestZ = cv::Mat(cells, CV_32F, cv::Scalar(at));
        s.below = cv::Mat(cells, CV_32F, cv::Scalar(-1));
        s.above = cv::Mat(cells, CV_32F, cv::Scalar(-1));
        s.belowZ = cv::Mat(cells, CV_32F, cv::Scalar(at));
        s.aboveZ = cv::Mat(cells, CV_32F, cv::Scalar(at));
        s.previous = s.best.clone();
        s.previousZ = at;
        s.noise = NoiseEnergy(grey);
        s.picture = BgrToDib(s.fused);
        s.frames = 1;
        return true;
    }
    if (bgr.size() != s.fused.size()) {
        s.reason = "The frame size changed";
        return false;
    }
    // Placed on the result so far, which resembles every frame more than
    // any single frame does.
    s.aligner.SetReference(GreyFloat(s.fused));
    cv::Matx23d toFrame;
    std::string note;
    if (!s.aligner.Place(grey, toFrame, note)) {
        s.reason = "The frame " + note;
        return false;
    }
    if (Discrepancy(toFrame, IdentityTransform(), bgr.size()) > kResampleFrom) {
        bgr = WarpToFirst(bgr, toFrame);
        grey = WarpToFirst(grey, toFrame);
    }
    s.noise = std::min(s.noise, NoiseEnergy(grey));
    const cv::Mat energy = SteadyEnergy(grey);
    const float floor = static_cast<float>(s.noise);
    const float z0 = static_cast<float>(at), zp = static_cast<float>(s.previousZ);
    s.cellShare.create(energy.size(), CV_32F);
    bool sharper = false;
    for (int y = 0; y < energy.rows; ++y) {
        const float* e = energy.ptr<float>(y);
        const float* previous = s.previous.ptr<float>(y);
        float* best = s.best.ptr<float>(y);
        float* bestZ = s.bestZ.ptr<float>(y);
        float* below = s.below.ptr<float>(y);
        float* belowZ = s.belowZ.ptr<float>(y);
        float* above = s.above.ptr<float>(y);
        float* aboveZ = s.aboveZ.ptr<float>(y);
        float* share = s.cellShare.ptr<float>(y);
        for (int x = 0; x < energy.cols; ++x) {
            share[x] = 0;
            if (e[x] > best[x]) {
                // A frame barely sharper blends in, one clearly sharper
                // replaces; shares vary smoothly between cells, so no seams.
                share[x] = std::min(1.0F, (e[x] - best[x]) / (kTakeOver * best[x] + floor));
                sharper = true;
                below[x] = previous[x];
                belowZ[x] = zp;
                above[x] = -1;
                best[x] = e[x];
                bestZ[x] = z0;
            } else if (bestZ[x] == zp && above[x] < 0) {
                above[x] = e[x];
                aboveZ[x] = z0;
            }
        }
    }
    energy.copyTo(s.previous);
    s.previousZ = at;
    if (sharper) {
        cv::resize(s.cellShare, s.share, bgr.size(), 0, 0, cv::INTER_LINEAR);
        for (int y = 0; y < bgr.rows; ++y) {
            const float* share = s.share.ptr<float>(y);
            const std::uint8_t* in = bgr.ptr<std::uint8_t>(y);
            std::uint8_t* out = s.fused.ptr<std::uint8_t>(y);
            for (int x = 0; x < bgr.cols; ++x) {
                if (share[x] <= 0) {
                    continue;
                }
                for (int c = 0; c < 3; ++c) {
                    const int i = 3 * x + c;
                    out[i] = static_cast<std::uint8_t>(out[i] + share[x] * (in[i] - out[i]) + 0.5F);
                }
            }
        }
        s.picture = BgrToDib(s.fused);
    }
    ++s.frames;
    return true;
}

const std::string& CLiveFocusStack::Reason() const {
    return m_state->reason;
}

const CDib& CLiveFocusStack::Picture() const {
    return m_state->picture;
}

CHeightMap CLiveFocusStack::Heights() const {
    const State& s = *m_state;
    CHeightMap map;
    map.unit = s.unit;
    if (s.frames == 0) {
        return map;
    }
    const double floor = std::max(s.noise, 1e-6);
    const float unknown = std::numeric_limits<float>::quiet_NaN();
    cv::Mat cells(s.best.size(), CV_32F);
    for (int y = 0; y < cells.rows; ++y) {
        for (int x = 0; x < cells.cols; ++x) {
            const double signal = s.best.at<float>(y, x) - floor;
            if (signal <= kPeakOverNoise * floor) {
                cells.at<float>(y, x) = unknown;
                continue;
            }
            double h = s.bestZ.at<float>(y, x);
            if (s.below.at<float>(y, x) >= 0 && s.above.at<float>(y, x) >= 0) {
                // As for still series: the inverse cube root of the measure
                // is close to a parabola in z.
                const double tiny = 1e-3 * floor;
                const double b = std::max(s.below.at<float>(y, x) - floor, tiny);
                const double a = std::max(s.above.at<float>(y, x) - floor, tiny);
                h = Vertex(s.belowZ.at<float>(y, x), 1 / std::cbrt(b), h, 1 / std::cbrt(signal),
                           s.aboveZ.at<float>(y, x), 1 / std::cbrt(a));
            }
            cells.at<float>(y, x) = static_cast<float>(h);
        }
    }
    // Cells to pixels; an unknown cell makes its neighbourhood unknown.
    cv::Mat pixels;
    cv::resize(cells, pixels, s.fused.size(), 0, 0, cv::INTER_LINEAR);
    map.width = pixels.cols;
    map.height = pixels.rows;
    map.heights.assign(pixels.begin<float>(), pixels.end<float>());
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const float h : map.heights) {
        if (!std::isnan(h)) {
            low = std::min(low, static_cast<double>(h));
            high = std::max(high, static_cast<double>(h));
        }
    }
    if (low <= high) {
        map.low = low;
        map.high = high;
    }
    return map;
}

int CLiveFocusStack::Frames() const {
    return m_state->frames;
}
