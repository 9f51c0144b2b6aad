#pragma once

#include "analysis/focus/FocusStack.h"
#include "image/Dib.h"

#include <memory>
#include <optional>

#include <QString>

// A picture made in memory (a merged focus series, its height map, a mosaic)
// on its way into a new picture window: the next new still document takes
// it. GUI thread only.
struct CNewPicture {
    CDib picture;
    QString title;
    // For a height map's window: the heights its colours show.
    std::shared_ptr<const CHeightMap> heights;
};

void SetPendingNewPicture(CNewPicture picture);
// The pending picture, cleared as it is taken.
std::optional<CNewPicture> TakePendingNewPicture();

// The status bar's reading of a height map at picture pixel (x, y): the
// height in the map's unit (slices when it has none), "unknown" where the
// map has no height; empty outside the map.
QString HeightStatusText(const CHeightMap& map, int x, int y);
