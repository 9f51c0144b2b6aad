#pragma once

#include <QByteArray>
#include <QString>

// Files the user relies on are written whole or not at all: the bytes go to a
// temporary file beside the target, are flushed and checked, and only then
// take the target's name.

// Replaces `path` (or creates it). Returns false, leaving any old file intact,
// when anything fails.
bool WriteFileWhole(const QString& path, const QByteArray& bytes);

// Creates `path` only if no file has that name, never replacing one — not
// even one that appears while writing. Returns false when the name is taken
// or writing fails.
bool WriteNewFileWhole(const QString& path, const QByteArray& bytes);

// New files that must not replace anything take the first free name of the
// series `path`, "name-N.ext", "name-(N+1).ext"... with N = firstSuffix: the
// live window's snapshots start at 1 ("…05-1.jpg" for a second picture in
// the same second), the command line at 2 ("OUT-2.jpg").

// "dir/name.ext" with `tag` put before the extension, the folder as given.
QString TaggedPath(const QString& path, const QString& tag);

// Writes `bytes` whole under the first free name of the series (a name
// taken while writing is skipped like one taken before). Returns the path
// written, empty on failure.
QString WriteNewFile(const QString& path, const QByteArray& bytes, int firstSuffix = 2);

// Gives the finished file `aside` the first free name of the series, without
// replacing a file that appeared since the name was chosen. Returns the name
// it took; empty, with `aside` left where it is, on failure.
QString PlaceNewFile(const QString& aside, const QString& path, int firstSuffix = 2);

// The first name of the series that neither a file nor a file with
// `asideSuffix` appended holds: where a file written over time (a recording,
// kept aside as NAME.part until closed) starts.
QString FirstFreePath(const QString& path, const QString& asideSuffix, int firstSuffix = 2);

// The UTF-16LE units of a text, and back (an odd trailing byte is dropped).
QByteArray ToUtf16LE(const QString& text);
QString FromUtf16LE(const QByteArray& bytes);
