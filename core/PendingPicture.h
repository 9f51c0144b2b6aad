#pragma once

#include <QString>

// The picture the picture browser chose to open: the next "Open Picture"
// opens it without asking for a file, once. GUI thread only.
struct CPendingPicture {
    QString path; // empty: none pending
};

extern CPendingPicture g_pendingPicture;

// The pending path, cleared as it is taken (empty when none was pending).
QString TakePendingPicturePath();
