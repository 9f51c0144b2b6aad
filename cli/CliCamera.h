#pragma once

#include "capture/CaptureBackend.h"
#include "cli/CliSession.h"

#include <cstdint>
#include <optional>
#include <utility>

#include <QStringList>

// marnelo-cli's camera commands. They run the application's capture layer
// (the virtual microscope included), so they work on any machine.

// "devices": the listed cameras with the formats, sizes and rates each
// offers, as one JSON document.
CCliOutcome RunDevicesCommand();

// "snapshot OUT.bmp|.jpg|.tif|.png [--device ID|NAME] [--size WxH] [--format FOURCC]
// [--count N --interval SECONDS] [--mirror] [--rotate] [--scale-bar]
// [--session SESSION.json]": `arguments` are those after "snapshot"; --mirror
// and --rotate turn the picture as the live view's commands do; --scale-bar
// burns in the scale bar of the calibration applied last; --session imprints
// the session's shapes, their points in frame pixels, as the live view's
// snapshots imprint the live measurements (both need a QGuiApplication).
// Writes one picture, or with --count a series OUT-0001.jpg, OUT-0002.jpg...
// spaced by the interval; an existing file is never replaced (a suffix is
// added). The written paths go to standard output, one a line.
CCliOutcome RunSnapshotCommand(const QStringList& arguments);

// The slot of the listed camera named by id, else by friendly name (empty:
// the first listed); -1 if none.
int FindCameraSlot(const QString& wanted);

// Shared by the commands that write what a camera delivers: checks that
// `out`'s folder can be written, lists the cameras and binds the one named by
// `device` (its id, else its name; empty: the first listed). nullopt when the
// camera is bound, else the failure to report.
std::optional<CCliOutcome> BindCameraForOutput(const QString& device, const QString& out);

// The bound camera's format with the size and pixel format asked for, the
// rest kept from its current format; nullopt when nothing was asked, or (with
// `error` set) when the camera does not offer it.
std::optional<CaptureFormat> ChooseCaptureFormat(std::optional<std::pair<int, int>> size,
                                                 std::optional<std::uint32_t> fourcc,
                                                 QString& error);
