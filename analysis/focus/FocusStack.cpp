#include "analysis/focus/FocusStack.h"

#include <cmath>

std::optional<double> HeightAt(const CHeightMap& map, int x, int y) {
    if (x < 0 || y < 0 || x >= map.width || y >= map.height) {
        return std::nullopt;
    }
    const float h = map.heights[static_cast<std::size_t>(y) * map.width + x];
    if (std::isnan(h)) {
        return std::nullopt;
    }
    return h;
}

CFocusStackResult FocusStack(int count, const FocusSliceSource& source, const CFocusOptions&,
                             const std::function<bool(int)>&) {
    CFocusStackResult result;
    if (count < 2) {
        result.error = "A focus stack needs at least two pictures";
        return result;
    }
    if (!source(0, result.picture, result.error)) {
        return result;
    }
    result.alignments.resize(static_cast<std::size_t>(count));
    return result;
}

CFocusStackResult FocusStackFiles(const std::vector<std::filesystem::path>& files,
                                  const CFocusOptions& options,
                                  const std::function<bool(int)>& progress) {
    const auto load = [&files](int index, CDib& picture, std::string& error) {
        const std::filesystem::path& file = files[static_cast<std::size_t>(index)];
        if (!picture.Load(file, ImageType::Unknown)) {
            error = file.string() + ": " + picture.LastError();
            return false;
        }
        return true;
    };
    return FocusStack(static_cast<int>(files.size()), load, options, progress);
}
