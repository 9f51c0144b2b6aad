#pragma once

#include "cli/CliSession.h"

#include <QStringList>

// "particles PICTURE [options]": finds, separates and measures the objects
// of a picture and prints them as JSON (count, threshold, unit, one entry per
// particle, summary). --csv writes the table and summary, --report a report
// of them, --save the picture with every particle outlined and numbered
// (never replacing a file). Every argument and output is checked before
// anything is written: bad input (a picture that cannot be read, a threshold
// outside 0..255, a minimum area over the maximum, an output that cannot be
// written...) is status 2 with one line and no file. Needs a
// QGuiApplication for --save and --report (fonts). Changes the process-wide
// calibration store when --calibration is given.
CCliOutcome RunParticlesCommand(const QStringList& arguments);
