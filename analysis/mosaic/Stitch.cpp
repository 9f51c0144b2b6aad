#include "analysis/mosaic/Stitch.h"

CStitchResult PlanMosaic(const std::vector<std::filesystem::path>& pictures, const CStitchOptions&,
                         const std::function<bool(int)>&) {
    CStitchResult result;
    for (const auto& file : pictures) {
        result.plan.tiles.push_back({file});
    }
    result.error = "Stitching is not available yet";
    return result;
}

bool ComposeMosaic(const CStitchPlan&,
                   const std::function<bool(const std::uint8_t*, int, std::size_t)>&,
                   const std::function<bool(int)>&, std::string& error) {
    error = "Stitching is not available yet";
    return false;
}

bool WriteMosaic(const CStitchPlan&, const std::filesystem::path&, const std::function<bool(int)>&,
                 std::string& error) {
    error = "Stitching is not available yet";
    return false;
}

std::optional<CDib> MosaicPicture(const CStitchPlan&, const std::function<bool(int)>&,
                                  std::string& error) {
    error = "Stitching is not available yet";
    return std::nullopt;
}
