#pragma once

#include "cli/CliSession.h"

#include <QStringList>

// "stitch --output OUT [--flat-field FILE] PICTURE...": stitches overlapping
// pictures given in any order into one mosaic written to OUT (.tif as a
// tiled BigTIFF written band by band, .png, .jpg or .bmp) and prints
// {"width", "height", "tiles": [{"file", "x", "y", "placed"}]} with each
// picture's sub-pixel top-left in the mosaic. Pictures that overlap nothing
// are left out and named as warnings. Bad input (fewer than two pictures, a
// missing or unreadable one, an output that exists or cannot be written) is
// status 2 with one line and no file, the output checked before the long
// work.
CCliOutcome RunStitchCommand(const QStringList& arguments);
