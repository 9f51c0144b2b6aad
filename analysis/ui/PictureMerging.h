#pragma once

#include "analysis/focus/FocusStack.h"
#include "image/Dib.h"

#include <QStringList>

class QWidget;

// The commands that merge several chosen pictures into a new one: a focus
// series into a picture sharp everywhere with its height map, overlapping
// pictures into a mosaic. Each runs behind a progress dialog with Cancel (a
// cancelled run opens and writes nothing), then opens its result as new
// picture windows of the main frame `owner` belongs to; the results carry the
// first picture's scale. Failures and pictures left out are told in a
// message box. GUI thread only.
void RunFocusStackCommand(QWidget* owner, const QStringList& paths);
// A mosaic larger than a window can hold is offered to be written straight to
// a tiled TIFF file instead.
void RunStitchCommand(QWidget* owner, const QStringList& paths);

// The File menu's way to them: a dialog that chooses several pictures; empty
// when the user cancelled.
QStringList AskForPictures(QWidget* owner, const QString& title);

// Opens the merged picture and, beside it, its height map as new picture
// windows of the main frame `owner` belongs to, titled after `name`.
void OpenFocusStackWindows(QWidget* owner, CDib picture, CHeightMap heights, const QString& name);

// Mosaics with more pixels than this are written to a file, not opened.
inline constexpr double kLargestOpenedMosaic = 250e6;
