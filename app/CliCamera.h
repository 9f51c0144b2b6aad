#pragma once

#include "app/CliSession.h"

#include <QStringList>

// marnelo-cli's camera commands. They run the application's capture layer
// (the virtual microscope included), so they work on any machine.

// "devices": the listed cameras with the formats, sizes and rates each
// offers, as one JSON document.
CCliOutcome RunDevicesCommand();

// "snapshot OUT.bmp|OUT.jpg [--device ID|NAME] [--size WxH] [--format FOURCC]
// [--count N --interval SECONDS]": `arguments` are those after "snapshot".
// Writes one picture, or with --count a series OUT-0001.jpg, OUT-0002.jpg...
// spaced by the interval; an existing file is never replaced (a suffix is
// added). The written paths go to standard output, one a line.
CCliOutcome RunSnapshotCommand(const QStringList& arguments);
