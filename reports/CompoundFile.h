#pragma once

#include <QByteArray>
#include <QString>

// A compound file (version 3, 512-byte sectors) holding one stream under the
// root storage, as a binary workbook keeps its "Workbook" stream. Streams
// under 4096 bytes go to the mini stream, as readers expect. Returns an empty
// array when the stream is too large for the format (past 2 GiB here).
QByteArray WriteCompoundFile(const QString& streamName, const QByteArray& stream);
