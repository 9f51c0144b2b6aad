#pragma once

#include <functional>

#include <QUrl>

// Opens folders and files with the desktop's own applications (the file
// manager for a folder). Tests replace the opener so that nothing is ever
// opened on their desktop. GUI thread only.

// Returns false when the desktop could not open it.
bool OpenWithDesktop(const QUrl& url);

// Replaces the opener; an empty function restores QDesktopServices.
using DesktopOpener = std::function<bool(const QUrl&)>;
void SetDesktopOpener(DesktopOpener opener);
