#pragma once

#include "cli/CliSession.h"

#include <QStringList>

// "stack --output OUT [--height-map FILE] [--z-step STEP --unit UNIT]
// [--no-align] PICTURE...": merges a focus series (at least two pictures of
// one size, aligned to the first unless --no-align) into one picture sharp
// everywhere, written in the kind its extension names and never replacing a
// file; prints a JSON summary (slices, size, each picture's alignment, the
// height range, the share of unknown heights). --height-map writes the height
// of every pixel: a .tif/.tiff as a single-channel 32-bit float TIFF (in
// slices from the first picture's 0, or in UNIT with --z-step; unknown
// heights are NaN), a .png/.bmp/.jpg as false colour with a legend. --z-step
// and --unit go together. Bad input (too few pictures, one missing or
// unreadable, sizes that differ, an output that cannot be written or exists)
// is status 2 with one line and no file. Needs a QGuiApplication for a
// false-colour height map (fonts).
CCliOutcome RunStackCommand(const QStringList& arguments);
