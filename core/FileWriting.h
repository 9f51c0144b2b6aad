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

// The UTF-16LE units of a text, and back (an odd trailing byte is dropped).
QByteArray ToUtf16LE(const QString& text);
QString FromUtf16LE(const QByteArray& bytes);
