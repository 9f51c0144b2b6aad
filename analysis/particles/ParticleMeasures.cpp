#include "analysis/particles/ParticleMeasures.h"

#include "analysis/particles/ParticleOutline.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <opencv2/imgproc.hpp>

namespace {

// The part of a particle both measure sets share: box and pixel outline.
CParticle WithBox(const CObjectMask& object, const CMeasureContext& context) {
    CParticle particle;
    particle.boxX = object.box.x + context.origin.x;
    particle.boxY = object.box.y + context.origin.y;
    particle.boxWidth = object.box.width;
    particle.boxHeight = object.box.height;
    return particle;
}

void SetFeret(CParticle& particle, const CFeret& feret) {
    particle.feret = feret.max;
    particle.minFeret = feret.min;
    particle.feretAngle = feret.angle;
}

// Grey levels smoothed by a Gaussian this many times the radius of the disc
// of the object's area: enough to calm noise along large outlines, too little
// to round the corners of small ones (none under about ten pixels across).
constexpr double kSmoothingPerRadius = 0.04;
constexpr double kLeastSmoothing = 0.35;
constexpr double kMostSmoothing = 2.0;

} // namespace

CParticle MeasurePixels(const CObjectMask& object, const CMeasureContext& context) {
    CParticle particle = WithBox(object, context);
    const cv::Point offset = object.box.tl() + context.origin;
    double count = 0;
    double sumX = 0;
    double sumY = 0;
    for (int y = 0; y < object.mask.rows; ++y) {
        const std::uint8_t* row = object.mask.ptr<std::uint8_t>(y);
        for (int x = 0; x < object.mask.cols; ++x) {
            if (row[x] != 0) {
                count += 1;
                sumX += x;
                sumY += y;
            }
        }
    }
    particle.area = count;
    particle.centroidX = offset.x + sumX / count + 0.5;
    particle.centroidY = offset.y + sumY / count + 0.5;
    const std::vector<cv::Point> traced = TracedOutline(object.mask);
    particle.perimeter = TracedPerimeter(traced);
    std::vector<cv::Point2d> corners;
    corners.reserve(traced.size());
    for (const cv::Point& p : traced) {
        corners.emplace_back(p.x + offset.x, p.y + offset.y);
        particle.outline.emplace_back(p.x + offset.x, p.y + offset.y);
    }
    SetFeret(particle, PixelFeretOf(corners));
    particle.circularity = particle.perimeter > 0
                               ? std::min(1.0, 4 * std::numbers::pi * count /
                                                   (particle.perimeter * particle.perimeter))
                               : 0;
    return particle;
}

CParticle MeasurePrecise(const CObjectMask& object, const CMeasureContext& context) {
    // The grey levels around the object, two pixels beyond its box, turned so
    // that the object lies below the level.
    const cv::Rect bounds(0, 0, context.grey.cols, context.grey.rows);
    const cv::Rect near =
        cv::Rect(object.box.x - 2, object.box.y - 2, object.box.width + 4, object.box.height + 4) &
        bounds;
    cv::Mat levels;
    context.grey(near).convertTo(levels, CV_32F, context.dark ? 1.0 : -1.0,
                                 context.dark ? 0.0 : 255.0);
    const float level = context.dark ? context.threshold + 0.5f : 254.5f - context.threshold;
    const double radius = std::sqrt(cv::countNonZero(object.mask) / std::numbers::pi);
    const double sigma = std::min(kMostSmoothing, kSmoothingPerRadius * radius);
    if (sigma >= kLeastSmoothing) {
        cv::GaussianBlur(levels, levels, cv::Size(0, 0), sigma, sigma, cv::BORDER_REPLICATE);
    }
    // One more pixel all round, outside, so that every iso-line closes; the
    // border of the analysed rectangle becomes the object's edge.
    cv::copyMakeBorder(levels, levels, 1, 1, 1, 1, cv::BORDER_REPLICATE);
    const cv::Rect grid = near + cv::Point(-1, -1) + cv::Size(2, 2);
    // Which pixels are the object's is settled by the mask (split parts,
    // filled holes, 8-connection); the grey levels only place the edge. A
    // pixel of another object mirrors its level to the background side, so
    // that two touching objects meet half way.
    constexpr float kMargin = 1e-3f;
    for (int y = 0; y < levels.rows; ++y) {
        float* row = levels.ptr<float>(y);
        const int gy = grid.y + y;
        for (int x = 0; x < levels.cols; ++x) {
            const int gx = grid.x + x;
            const cv::Point own(gx - object.box.x, gy - object.box.y);
            const bool mine = own.x >= 0 && own.y >= 0 && own.x < object.box.width &&
                              own.y < object.box.height &&
                              object.mask.at<std::uint8_t>(own.y, own.x) != 0;
            const bool other = !mine && (!bounds.contains(cv::Point(gx, gy)) ||
                                         context.binary.at<std::uint8_t>(gy, gx) != 0);
            if (mine) {
                row[x] = std::min(row[x], level - kMargin);
            } else if (other) {
                row[x] = std::max(2 * level - row[x], level + kMargin);
            } else {
                row[x] = std::max(row[x], level + kMargin);
            }
        }
    }
    const cv::Point2d origin(context.origin.x + grid.x + 0.5, context.origin.y + grid.y + 0.5);
    const std::vector<Outline> loops = IsoLines(levels, level, origin);
    double area = 0;
    cv::Point2d moment(0, 0);
    const Outline* outer = nullptr;
    double outerArea = 0;
    for (const Outline& loop : loops) {
        const double loopArea = LoopArea(loop);
        area += loopArea;
        moment += LoopMoment(loop);
        if (loopArea > outerArea) {
            outerArea = loopArea;
            outer = &loop;
        }
    }
    if (outer == nullptr || area <= 0) {
        return MeasurePixels(object, context);
    }
    CParticle particle = WithBox(object, context);
    particle.area = area;
    particle.centroidX = moment.x / area;
    particle.centroidY = moment.y / area;
    particle.perimeter = LoopLength(*outer);
    SetFeret(particle, FeretOf(*outer));
    particle.circularity = 4 * std::numbers::pi * area / (particle.perimeter * particle.perimeter);
    particle.outline.reserve(outer->size());
    for (const cv::Point2d& p : *outer) {
        particle.outline.emplace_back(p.x, p.y);
    }
    return particle;
}

void ScaleParticle(CParticle& particle, double perPixel) {
    particle.area *= perPixel * perPixel;
    particle.perimeter *= perPixel;
    particle.feret *= perPixel;
    particle.minFeret *= perPixel;
}
