#pragma once

#include "cli/CliSession.h"

#include <optional>

#include <QString>
#include <QStringList>

// How the camera commands start the bound camera and notice that it stopped:
// the same watchdog as the live window, its findings as the command line's
// messages.

// Starts the built camera. nullopt when it streams (a format taken instead
// of the one asked for goes to `warnings`), else the failure to report:
// status 2 with the camera's name, the reason and the advice.
std::optional<CCliOutcome> StartCliCamera(QStringList& warnings);

// Asked while waiting for frames: the reason the camera is gone (unplugged,
// or silent even after one restart), else nullopt. A restart is noted in
// `warnings`.
std::optional<QString> CliCameraGone(QStringList& warnings);
