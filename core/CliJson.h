#pragma once

#include <QByteArray>
#include <QString>

// Pieces of marnelo-cli's JSON output. Numbers never follow the process
// locale; doubles are written in the shortest form that reads back as the
// same double (17 significant digits at most), and a value that is not finite
// as null.
void AppendJsonNumber(QByteArray& out, double value);
void AppendJsonInteger(QByteArray& out, long long value);
// A quoted, escaped UTF-8 string.
void AppendJsonString(QByteArray& out, const QString& text);
