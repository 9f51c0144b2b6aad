#pragma once

#include <QByteArray>
#include <QString>

class CDib;

// Naming and writing of snapshot files shared by every command that takes
// pictures from a camera (a single snapshot, a numbered series, a
// time-lapse). A picture never replaces a file that is already there: it is
// written with WriteNewFile, which takes "name-2", "name-3"... instead.

// The picture `number` of a series named after `path`: "dir/name-0007.ext".
QString NumberedPath(const QString& path, int number);

// The picture encoded by the extension of `path` (any case): BMP, TIFF, PNG,
// else JPEG at the usual quality; TIFF and PNG carry the picture's scale.
// False when it cannot be encoded.
bool EncodeSnapshot(const CDib& picture, const QString& path, QByteArray& bytes);
