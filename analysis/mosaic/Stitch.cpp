#include "analysis/mosaic/Stitch.h"

#include "analysis/mosaic/MosaicParallel.h"
#include "analysis/mosaic/MosaicShading.h"
#include "analysis/mosaic/MosaicSolve.h"
#include "analysis/mosaic/MosaicTiles.h"
#include "analysis/mosaic/PairRegistration.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

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

// A picture without any link gets a second chance at twice the small copies'
// size: narrow overlaps may hold too few pixels there.
void RescueUnlinked(const CGreyTiles& tiles, const CStitchOptions& options,
                    std::vector<CMosaicLink>& links) {
    const std::size_t count = tiles.coarse.size();
    std::vector<bool> linked(count, false);
    for (const CMosaicLink& link : links) {
        linked[static_cast<std::size_t>(link.a)] = linked[static_cast<std::size_t>(link.b)] = true;
    }
    const double reduction = tiles.coarseFactor / 2 / tiles.detailFactor;
    if (reduction < 1) {
        return;
    }
    const auto medium = [&](std::size_t i) {
        cv::Mat out;
        cv::resize(tiles.detail[i], out,
                   cv::Size(cvRound(tiles.detail[i].cols / reduction),
                            cvRound(tiles.detail[i].rows / reduction)),
                   0, 0, cv::INTER_AREA);
        return out;
    };
    const double toCoarse = reduction * tiles.detailFactor / tiles.coarseFactor;
    for (std::size_t i = 0; i < count; ++i) {
        if (linked[i]) {
            continue;
        }
        const cv::Mat lone = medium(i);
        // Nearest in the order given first (the next picture of a scan);
        // two links place it.
        std::vector<std::size_t> others;
        for (std::size_t j = 0; j < count; ++j) {
            if (j != i) {
                others.push_back(j);
            }
        }
        std::stable_sort(others.begin(), others.end(), [i](std::size_t p, std::size_t q) {
            return (p > i ? p - i : i - p) < (q > i ? q - i : i - q);
        });
        int found = 0;
        for (std::size_t k = 0; k < others.size() && found < 2; ++k) {
            const std::size_t j = others[k];
            const std::size_t a = std::min(i, j), b = std::max(i, j);
            const CPairShift shift = a == i ? RegisterPair(lone, medium(j), {}, 0, false)
                                            : RegisterPair(medium(j), lone, {}, 0, false);
            const double needed = Neighbours(a, b, options) ? kMinNeighbourScore : kMinScore;
            if (shift.found && shift.score >= needed) {
                links.push_back({static_cast<int>(a), static_cast<int>(b),
                                 cv::Point2d(shift.dx, shift.dy) * toCoarse, shift.score});
                ++found;
            }
        }
    }
}

// Every pair tried on the small copies: cheap there, and no grid is needed.
std::vector<CMosaicLink> CoarseLinks(const CGreyTiles& tiles, const CStitchOptions& options,
                                     CProgress& progress) {
    std::vector<CMosaicLink> links;
    const std::size_t count = tiles.coarse.size();
    std::vector<CPreparedPicture> prepared(count);
    ForEachInBatches(
        count, count, [&](std::size_t i) { prepared[i] = PreparePicture(tiles.coarse[i]); },
        [](std::size_t) { return true; });
    const std::size_t pairs = count * (count - 1) / 2;
    std::size_t done = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::vector<CPairShift> shifts(count);
        ForEachInBatches(
            count - i - 1, count,
            [&](std::size_t k) {
                shifts[i + 1 + k] = RegisterPrepared(prepared[i], prepared[i + 1 + k]);
            },
            [](std::size_t) { return true; });
        for (std::size_t j = i + 1; j < count; ++j, ++done) {
            const CPairShift& shift = shifts[j];
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
    RescueUnlinked(tiles, options, links);
    return links;
}

// Each accepted pair measured again on the detailed copies, on the overlap
// only, to a fraction of a pixel; shifts come back in full-size pixels.
std::vector<CMosaicLink> RefinedLinks(const CGreyTiles& tiles,
                                      const std::vector<CMosaicLink>& coarse,
                                      const CStitchOptions& options, CProgress& progress) {
    std::vector<CMosaicLink> links;
    const double scale = tiles.coarseFactor / tiles.detailFactor;
    std::vector<CPairShift> shifts(coarse.size());
    const bool finished = ForEachInBatches(
        coarse.size(), BatchSize(),
        [&](std::size_t k) {
            const CMosaicLink& link = coarse[k];
            shifts[k] = RegisterPair(tiles.detail[link.a], tiles.detail[link.b], link.shift * scale,
                                     1.5 * scale + 2);
        },
        [&](std::size_t done) {
            return progress.At(kPaired +
                               static_cast<int>((kRefined - kPaired) * done / coarse.size()));
        });
    if (!finished) {
        return {};
    }
    for (std::size_t k = 0; k < coarse.size(); ++k) {
        const CMosaicLink& link = coarse[k];
        const CPairShift& shift = shifts[k];
        const double needed = Neighbours(link.a, link.b, options) ? kMinNeighbourScore : kMinScore;
        if (shift.found && shift.score >= needed) {
            links.push_back({link.a, link.b, cv::Point2d(shift.dx, shift.dy) * tiles.detailFactor,
                             shift.score});
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
