#pragma once

#include "framework/RectTracker.h"

#include <Qt>

class QPainter;

// Shows a tracker: a dashed outline with its eight handles, in the painter's
// coordinates (the tracker's own).
void DrawRectTracker(QPainter& painter, const CRectTracker& tracker);

// The mouse cursor over a handle or the inside (hitNothing: a cross).
Qt::CursorShape RectTrackerCursor(CRectTracker::Hit hit);
