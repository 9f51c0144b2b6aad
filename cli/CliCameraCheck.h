#pragma once

#include "cli/CliSession.h"

#include <QStringList>

// "camera-check [--device ID|NAME] [--seconds S] [--text]": a self-test a
// user runs on their own camera and attaches to a bug report. Streams every
// format at its largest and smallest size for S seconds each (default 2) and
// reports the frame rate achieved, the frames dropped and undecodable, and
// the first error; sets every writable control to another value, reads it
// back and restores it. JSON by default, plain text with --text; each entry
// says whether it passed. Status 2 when the camera cannot be found or opened.
CCliOutcome RunCameraCheckCommand(const QStringList& arguments);
