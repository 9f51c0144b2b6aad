#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's pictures are SVG files in its resources. GUI thread only.

// An icon drawn from the SVG at `resourcePath` at the usual small sizes; a
// null icon when the file is missing or not a valid picture.
QIcon LoadSvgIcon(const QString& resourcePath);

// The SVG drawn at its own size (the splash picture); null when invalid.
QPixmap RenderSvg(const QString& resourcePath);
