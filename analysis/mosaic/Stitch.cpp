#include "analysis/mosaic/Stitch.h"

#include "analysis/mosaic/MosaicShading.h"
#include "analysis/mosaic/MosaicSolve.h"
#include "analysis/mosaic/MosaicTiles.h"
#include "analysis/mosaic/PairRegistration.h"

#include <algorithm>
#include <cmath>

namespace {

// Grey copies of all pictures stay within this; larger sets are registered
// on reduced copies.
constexpr std::size_t kGreyBudget = std::size_t{240} << 20;
// Overlap correlation a link needs: pairs the order hint calls neighbours may
// have less texture to go on than unrelated pairs could fake.
constexpr double kMinScore = 0.6;
constexpr double kMinNeighbourScore = 0.25;

// Progress of the stages, in percent of the whole.
constexpr int kLoaded = 30, kPaired = 55, kRefined = 90;

struct CProgress {
    const std::function<bool(int)>& report;
    bool cancelled = false;
    bool At(int percent) {
        if (!cancelled && report && !report(percent)) {
            cancelled = true;
        }
        return !cancelled;
    }
    std::function<bool(int)> Stage(int from, int to) {
        return [this, from, to](int percent) {
            return At(from + (to - from) * percent / 100);
        };
    }
};

bool Neighbours(std::size_t i, std::size_t j, const CStitchOptions& options) {
    return options.orderHint && j == i + 1;
}

// Every pair tried on the small copies: cheap there, and no grid is needed.
std::vector<CMosaicLink> CoarseLinks(const CGreyTiles& tiles, const CStitchOptions& options,
                                     CProgress& progress) {
    std::vector<CMosaicLink> links;
    const std::size_t count = tiles.coarse.size();
    const std::size_t pairs = count * (count - 1) / 2;
    std::size_t done = 0;
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t j = i + 1; j < count; ++j, ++done) {
            const CPairShift shift = RegisterPair(tiles.coarse[i], tiles.coarse[j], {}, 0, false);
            const double needed = Neighbours(i, j, options) ? kMinNeighbourScore : kMinScore;
            if (shift.found && shift.score >= needed) {
                links.push_back({static_cast<int>(i), static_cast<int>(j),
                                 cv::Point2d(shift.dx, shift.dy), shift.score});
            }
        }
        if (!progress.At(kLoaded + static_cast<int>((kPaired - kLoaded) * done / pairs))) {
            return {};
        }
    }
    return links;
}

// Each accepted pair measured again on the detailed copies, on the overlap
// only, to a fraction of a pixel; shifts come back in full-size pixels.
std::vector<CMosaicLink> RefinedLinks(const CGreyTiles& tiles,
                                      const std::vector<CMosaicLink>& coarse,
                                      const CStitchOptions& options, CProgress& progress) {
    std::vector<CMosaicLink> links;
    const double scale = tiles.coarseFactor / tiles.detailFactor;
    for (std::size_t k = 0; k < coarse.size(); ++k) {
        const CMosaicLink& link = coarse[k];
        const CPairShift shift = RegisterPair(tiles.detail[link.a], tiles.detail[link.b],
                                              link.shift * scale, 1.5 * scale + 2);
        const double needed = Neighbours(link.a, link.b, options) ? kMinNeighbourScore : kMinScore;
        if (shift.found && shift.score >= needed) {
            links.push_back({link.a, link.b, cv::Point2d(shift.dx, shift.dy) * tiles.detailFactor,
                             shift.score});
        }
        if (!progress.At(kPaired +
                         static_cast<int>((kRefined - kPaired) * (k + 1) / coarse.size()))) {
            return {};
        }
    }
    return links;
}

} // namespace

CStitchResult PlanMosaic(const std::vector<std::filesystem::path>& pictures,
                         const CStitchOptions& options, const std::function<bool(int)>& progress) {
    CStitchResult result;
    CStitchPlan& plan = result.plan;
    for (const auto& file : pictures) {
        plan.tiles.push_back({file});
    }
    if (pictures.size() < 2) {
        result.error = "Stitching needs at least two pictures";
        return result;
    }
    CProgress steps{progress};
    CGreyTiles tiles;
    if (!LoadGreyTiles(pictures, kGreyBudget, tiles, result.error, steps.Stage(0, kLoaded))) {
        result.cancelled = steps.cancelled;
        return result;
    }
    plan.tileWidth = tiles.size.width;
    plan.tileHeight = tiles.size.height;
    if (options.flatField) {
        plan.flatField = FlatFieldOf(*options.flatField, tiles.size, result.error);
        if (plan.flatField.empty()) {
            return result;
        }
    }
    const std::vector<CMosaicLink> coarse = CoarseLinks(tiles, options, steps);
    const std::vector<CMosaicLink> links =
        steps.cancelled ? std::vector<CMosaicLink>{} : RefinedLinks(tiles, coarse, options, steps);
    if (steps.cancelled) {
        result.cancelled = true;
        return result;
    }
    const CSolvedPositions solved = SolvePositions(static_cast<int>(pictures.size()), links);
    if (solved.kept.empty()) {
        result.error = "None of the pictures overlap";
        return result;
    }
    double left = 0, top = 0, right = 0, bottom = 0;
    bool first = true;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (!solved.placed[i]) {
            continue;
        }
        const cv::Point2d at = solved.positions[i];
        left = first ? at.x : std::min(left, at.x);
        top = first ? at.y : std::min(top, at.y);
        right = first ? at.x : std::max(right, at.x);
        bottom = first ? at.y : std::max(bottom, at.y);
        if (first) {
            plan.scale = tiles.scales[i];
        }
        first = false;
    }
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        CTilePlacement& tile = plan.tiles[i];
        tile.placed = solved.placed[i];
        if (tile.placed) {
            tile.x = solved.positions[i].x - left;
            tile.y = solved.positions[i].y - top;
        }
    }
    plan.width = static_cast<int>(std::ceil(right - left - 1e-6)) + tiles.size.width;
    plan.height = static_cast<int>(std::ceil(bottom - top - 1e-6)) + tiles.size.height;
    EstimateShading(tiles, plan.flatField, plan.tiles, plan.vignetting);
    steps.At(100);
    return result;
}
