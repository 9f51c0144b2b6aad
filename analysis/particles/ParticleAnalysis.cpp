#include "analysis/particles/ParticleAnalysis.h"

#include "analysis/particles/ParticleImage.h"
#include "analysis/particles/ParticleMeasures.h"
#include "analysis/particles/ParticleSplit.h"

#include <opencv2/imgproc.hpp>

namespace {

// Fills the holes of an object (its mask, non-zero = object) and returns
// the labels of other objects lying in them, which become part of it.
std::vector<int> FillHoles(cv::Mat& mask, const cv::Mat& labels, int own) {
    cv::Mat outside;
    cv::copyMakeBorder(mask, outside, 1, 1, 1, 1, cv::BORDER_CONSTANT, 0);
    cv::floodFill(outside, cv::Point(0, 0), 255, nullptr, 0, 0, 8 | cv::FLOODFILL_FIXED_RANGE);
    const cv::Mat holes = outside(cv::Rect(1, 1, mask.cols, mask.rows)) == 0;
    std::vector<int> inner;
    for (int y = 0; y < mask.rows; ++y) {
        for (int x = 0; x < mask.cols; ++x) {
            const int label = labels.at<int>(y, x);
            if (holes.at<std::uint8_t>(y, x) && label != 0 && label != own) {
                inner.push_back(label);
            }
        }
    }
    mask.setTo(1, holes);
    return inner;
}

// The objects of a thresholded picture (CV_8U, 1 = object), each with its
// own mask, in reading order of their first pixels.
std::vector<CObjectMask> FindObjects(const cv::Mat& binary, const CParticleOptions& options) {
    cv::Mat labels;
    cv::Mat stats;
    cv::Mat centroids;
    const int count = cv::connectedComponentsWithStats(binary, labels, stats, centroids, 8, CV_32S);
    std::vector<bool> absorbed(static_cast<std::size_t>(count), false);
    std::vector<CObjectMask> objects;
    for (int label = 1; label < count; ++label) {
        if (absorbed[label]) {
            continue;
        }
        const cv::Rect box(
            stats.at<int>(label, cv::CC_STAT_LEFT), stats.at<int>(label, cv::CC_STAT_TOP),
            stats.at<int>(label, cv::CC_STAT_WIDTH), stats.at<int>(label, cv::CC_STAT_HEIGHT));
        cv::Mat mask;
        cv::compare(labels(box), label, mask, cv::CMP_EQ);
        mask &= 1;
        if (options.fillHoles) {
            for (int inner : FillHoles(mask, labels(box), label)) {
                absorbed[inner] = true;
            }
        }
        cv::Mat parts;
        const int partCount = options.split ? SplitObject(mask, parts) : 1;
        if (partCount <= 1) {
            objects.push_back(CObjectMask{box, mask});
            continue;
        }
        for (int part = 1; part <= partCount; ++part) {
            const cv::Mat partMask = (parts == part) & 1;
            const cv::Rect partBox = cv::boundingRect(partMask);
            if (partBox.empty()) {
                continue;
            }
            objects.push_back(CObjectMask{partBox + box.tl(), partMask(partBox).clone()});
        }
    }
    return objects;
}

} // namespace

CParticleResult AnalyseParticles(const CDib& picture, const CParticleOptions& options,
                                 const CParticleScale& scale,
                                 const std::function<bool(int percent)>& progress) {
    CParticleResult result;
    result.unit = scale.unit;
    const auto cancelled = [&](int percent) {
        if (progress && !progress(percent)) {
            result = CParticleResult{};
            result.unit = scale.unit;
            result.cancelled = true;
            return true;
        }
        return false;
    };
    if (!picture.IsValid()) {
        return result;
    }
    const CThresholdedGrey grey = ThresholdedGrey(picture, options);
    result.threshold = grey.threshold;
    if (grey.grey.empty() || cancelled(5)) {
        return result;
    }
    const bool dark = options.objects == ParticleObjects::Dark;
    cv::Mat binary;
    cv::threshold(grey.grey, binary, grey.threshold, 1,
                  dark ? cv::THRESH_BINARY_INV : cv::THRESH_BINARY);
    const std::vector<CObjectMask> objects = FindObjects(binary, options);
    if (cancelled(20)) {
        return result;
    }
    const CMeasureContext context{grey.grey, binary, grey.threshold, dark, grey.rect.tl()};
    const double perPixel = scale.unitsPerPixel > 0 ? scale.unitsPerPixel : 1.0;
    double objectArea = 0;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (i % 64 == 63 && cancelled(20 + static_cast<int>(80 * i / objects.size()))) {
            return result;
        }
        CParticle particle = options.measures == ParticleMeasures::ImageJ
                                 ? MeasurePixels(objects[i], context)
                                 : MeasurePrecise(objects[i], context);
        const cv::Rect& box = objects[i].box;
        particle.touchesEdge = box.x == 0 || box.y == 0 || box.br().x == grey.rect.width ||
                               box.br().y == grey.rect.height;
        ScaleParticle(particle, perPixel);
        if (particle.area < options.minArea || particle.area > options.maxArea ||
            (options.excludeEdges && particle.touchesEdge)) {
            continue;
        }
        particle.id = static_cast<int>(result.particles.size()) + 1;
        objectArea += particle.area;
        result.particles.push_back(std::move(particle));
    }
    result.areaFraction = objectArea / (grey.rect.area() * perPixel * perPixel);
    if (cancelled(100)) {
        return result;
    }
    return result;
}

int ParticleThreshold(const CDib& picture, const CParticleOptions& options) {
    return ThresholdedGrey(picture, options).threshold;
}

void ThresholdMask(const CDib& picture, const CParticleOptions& options,
                   std::vector<std::uint8_t>& mask) {
    mask.assign(static_cast<std::size_t>(picture.Width()) * picture.Height(), 0);
    if (!picture.IsValid()) {
        return;
    }
    const CThresholdedGrey grey = ThresholdedGrey(picture, options);
    if (grey.grey.empty()) {
        return;
    }
    cv::Mat whole(picture.Height(), picture.Width(), CV_8UC1, mask.data());
    cv::threshold(grey.grey, whole(grey.rect), grey.threshold, 1,
                  options.objects == ParticleObjects::Dark ? cv::THRESH_BINARY_INV
                                                           : cv::THRESH_BINARY);
}
