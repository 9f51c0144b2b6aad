#pragma once

#include <mutex>

#include <QString>

// The picture a snapshot or picture export has just written, announced to
// the picture browser, which lists it at once when it lies in the folder
// shown. Any thread.
struct CAnnouncedPicture {
    std::mutex lock;
    QString path; // empty: nothing announced
};

extern CAnnouncedPicture g_announcedPicture;

// Records `path` and posts UM_REFRESH_THUMBNAILS to the thumbnail list.
void AnnounceSavedPicture(const QString& path);

// The announced path, cleared as it is taken.
QString TakeAnnouncedPicture();
