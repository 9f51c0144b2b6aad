#pragma once

#include "analysis/focus/FocusStack.h"
#include "framework/DrawContext.h"
#include "framework/DrawSurface.h"

// False-colour pictures of a height map, with the legend that reads them.

// The width of the legend strip beside a picture of this height.
int HeightLegendWidth(int pictureHeight);

// The map in false colour (low blue to high red), unknown heights grey, with
// a white strip of `legendWidth` columns on the right for the legend.
CDib HeightMapColours(const CHeightMap& map, int legendWidth);

// The colour bar (high at the top) with tick labels in the map's unit, inside
// the box of width × height at (x, y).
void DrawHeightLegend(CDrawContext& dc, const CHeightMap& map, int x, int y, int width, int height);

// The false-colour map with its legend drawn beside it, on a surface made by
// `surfaces` (the toolkit that paints the labels); an invalid picture when
// no surface of that size can be made.
CDib HeightMapPicture(const CHeightMap& map, const CDrawSurfaceFactory& surfaces);
