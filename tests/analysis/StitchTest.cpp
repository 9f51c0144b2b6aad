#include "analysis/mosaic/Stitch.h"

#include "MosaicPictures.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numeric>
#include <opencv2/imgproc.hpp>
#include <random>

#include <QTemporaryDir>

namespace {

namespace fs = std::filesystem;

struct CTileSet {
    std::vector<fs::path> files;    // in the order given to the stitcher
    std::vector<cv::Point2d> truth; // each file's top-left in the scene
};

// Tiles of `scene` at `cuts`, written as JPEG, given in `order`.
CTileSet WriteTiles(const QTemporaryDir& dir, const cv::Mat& scene,
                    const std::vector<CTileCut>& cuts, cv::Size size, double vignetting,
                    double noise, const std::vector<int>& order) {
    CTileSet set;
    for (const int i : order) {
        const fs::path file =
            fs::path(dir.path().toStdString()) / ("tile" + std::to_string(i) + ".jpg");
        WriteTile(CutTile(scene, cuts[i], size, vignetting, noise, 100 + i), file);
        set.files.push_back(file);
        set.truth.push_back(cuts[i].at);
    }
    return set;
}

std::vector<int> Shuffled(int count, unsigned seed) {
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(seed));
    return order;
}

std::vector<int> InOrder(int count) {
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    return order;
}

struct CErrors {
    double rms = 0, worst = 0;
};

// Position errors after removing the common offset (the mosaic's origin is
// arbitrary).
CErrors PositionErrors(const CStitchPlan& plan, const CTileSet& set) {
    cv::Point2d offset(0, 0);
    for (std::size_t i = 0; i < set.truth.size(); ++i) {
        offset += set.truth[i] - cv::Point2d(plan.tiles[i].x, plan.tiles[i].y);
    }
    offset /= static_cast<double>(set.truth.size());
    CErrors errors;
    for (std::size_t i = 0; i < set.truth.size(); ++i) {
        const double e =
            cv::norm(set.truth[i] - cv::Point2d(plan.tiles[i].x, plan.tiles[i].y) - offset);
        errors.rms += e * e;
        errors.worst = std::max(errors.worst, e);
    }
    errors.rms = std::sqrt(errors.rms / static_cast<double>(set.truth.size()));
    return errors;
}

struct AccuracyCase {
    const char* name;
    double blur, contrast; // of the scene
    bool shuffled;
    double rms, worst;
};

// Tiles cut at known sub-pixel positions with vignetting, noise and JPEG:
// a textured set in shuffled order, and a smooth, faint one in the order a
// serpentine scan takes it.
TEST(Stitch, PlacesTilesAtTheirKnownPositions) {
    const AccuracyCase cases[] = {
        {"textured, shuffled", 0, 1.0, true, 0.2, 0.4},
        {"low texture, serpentine", 6, 0.25, false, 0.3, 0.6},
    };
    const cv::Size size(360, 270);
    for (const AccuracyCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const cv::Mat scene = NaturalScene({1100, 800}, 11, 1.0, c.blur, c.contrast);
        const std::vector<CTileCut> cuts = SerpentineCuts(3, 3, size, 0.22, 5, 4);
        const CTileSet set =
            WriteTiles(dir, scene, cuts, size, 0.25, 2, c.shuffled ? Shuffled(9, 7) : InOrder(9));
        const CStitchResult result = PlanMosaic(set.files, {});
        ASSERT_TRUE(result.error.empty()) << result.error;
        for (const CTilePlacement& tile : result.plan.tiles) {
            EXPECT_TRUE(tile.placed) << tile.file;
        }
        const CErrors errors = PositionErrors(result.plan, set);
        EXPECT_LE(errors.rms, c.rms);
        EXPECT_LE(errors.worst, c.worst);
    }
}

TEST(Stitch, LeavesOutAndNamesAPictureThatOverlapsNothing) {
    QTemporaryDir dir;
    const cv::Size size(320, 240);
    const cv::Mat scene = NaturalScene({700, 540}, 21);
    CTileSet set =
        WriteTiles(dir, scene, SerpentineCuts(2, 2, size, 0.25, 4, 5), size, 0.1, 2, InOrder(4));
    const fs::path foreign = fs::path(dir.path().toStdString()) / "foreign.jpg";
    WriteTile(CutTile(NaturalScene({400, 300}, 99), {{10, 10}, 1}, size, 0.1, 2, 3), foreign);
    set.files.insert(set.files.begin() + 2, foreign);
    const CStitchResult result = PlanMosaic(set.files, {});
    ASSERT_TRUE(result.error.empty()) << result.error;
    for (const CTilePlacement& tile : result.plan.tiles) {
        EXPECT_EQ(tile.placed, tile.file != foreign) << tile.file;
    }
}

TEST(Stitch, RefusesBadInputNamingThePicture) {
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    const cv::Mat scene = NaturalScene({300, 200}, 1);
    WriteTile(scene, folder / "good.jpg");
    WriteTile(scene(cv::Rect(0, 0, 100, 100)).clone(), folder / "small.jpg");
    {
        std::FILE* garbage = std::fopen((folder / "garbage.jpg").c_str(), "wb");
        std::fputs("not a picture", garbage);
        std::fclose(garbage);
    }
    const struct {
        const char* name;
        std::vector<fs::path> files;
        const char* named;
    } cases[] = {
        {"one picture", {folder / "good.jpg"}, "two"},
        {"missing", {folder / "good.jpg", folder / "missing.jpg"}, "missing.jpg"},
        {"unreadable", {folder / "garbage.jpg", folder / "good.jpg"}, "garbage.jpg"},
        {"other size", {folder / "good.jpg", folder / "small.jpg"}, "small.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CStitchResult result = PlanMosaic(c.files, {});
        EXPECT_NE(result.error.find(c.named), std::string::npos) << result.error;
    }
}

TEST(Stitch, CancelStopsPlanning) {
    QTemporaryDir dir;
    const cv::Size size(200, 150);
    const CTileSet set = WriteTiles(dir, NaturalScene({400, 300}, 2),
                                    SerpentineCuts(2, 1, size, 0.3, 0, 1), size, 0, 0, InOrder(2));
    int calls = 0;
    const CStitchResult result = PlanMosaic(set.files, {}, [&](int) { return ++calls < 2; });
    EXPECT_TRUE(result.cancelled);
}

} // namespace
