#include "browser/ThumbnailAnnouncement.h"

#include "framework/PostedEvents.h"

CAnnouncedPicture g_announcedPicture;

void AnnounceSavedPicture(const QString& path) {
    {
        std::lock_guard lock(g_announcedPicture.lock);
        g_announcedPicture.path = path;
    }
    PostToReceiver(ReceiverRole::ThumbnailList, UM_REFRESH_THUMBNAILS);
}

QString TakeAnnouncedPicture() {
    std::lock_guard lock(g_announcedPicture.lock);
    return std::exchange(g_announcedPicture.path, QString());
}
