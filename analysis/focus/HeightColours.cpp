#include "analysis/focus/HeightColours.h"

#include <algorithm>

int HeightLegendWidth(int pictureHeight) {
    return std::clamp(pictureHeight / 6, 60, 160);
}

CDib HeightMapColours(const CHeightMap& map, int legendWidth) {
    CDib dib;
    dib.Create(map.width + legendWidth, map.height, 24);
    return dib;
}

void DrawHeightLegend(CDrawContext&, const CHeightMap&, int, int, int, int) {}
