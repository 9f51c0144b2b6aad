#pragma once

#include "cli/CliSession.h"

#include <QStringList>

// "record OUT.avi --seconds S [--fps F] [--uncompressed | --codec mjpeg]
// [--device ID|NAME] [--size WxH] [--mirror] [--rotate]": records from a
// camera (default: the first listed, the virtual microscope when there is no
// other) through the live frame pipeline and recorder. `arguments` are those
// after "record". Prints a JSON summary; an existing file is never replaced
// (a suffix is added).
CCliOutcome RunRecordCommand(const QStringList& arguments);
