#pragma once

#include <QString>

// Reading of INI ("profile") files with the semantics the language files were
// written for: section and key names compare without regard to case, the first
// section and the first key of a name win, blanks around keys and values are
// dropped, and a value quoted at both ends loses its quotes. A key present with
// an empty value yields an empty text, not the default.
//
// Accepted encodings: UTF-8 with or without byte-order mark, UTF-16 (LE or BE)
// with byte-order mark, and, when the bytes are not valid UTF-8, the legacy
// code page whose number ends the file name ("Chinese936.ini" is CP936).
//
// Parsed files are kept in a process-wide cache that is checked against the
// file on disk at every lookup, so an edited file is seen at once. Thread-safe.

// Returns the value of `key` in `section` of the file at `path`, or
// `defaultText` when the file, the section or the key is missing.
QString ReadProfileString(const QString& path, const QString& section, const QString& key,
                          const QString& defaultText);

// Decodes the bytes of a profile file as described above. `fileName` supplies
// the legacy code page.
QString DecodeProfileBytes(const QByteArray& bytes, const QString& fileName);
