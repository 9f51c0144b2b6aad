#pragma once

#include "framework/DrawSurface.h"

#include <span>

#include <QString>

class CDib;
struct CStillFrame;
struct CVideoShap;

// The picture of a live report: the kept camera frame at its own size, with
// `shapes` drawn on it (frame pixels, as the live picture shows them) when
// `imprint` is set. The frame is copied, never referenced. Returns an empty
// text, or the reason no picture was made (a malformed frame, no surface).
QString MakeLiveReportPicture(const CStillFrame& frame, std::span<const CVideoShap> shapes,
                              bool imprint, const CDrawSurfaceFactory& surfaces, CDib& out);
