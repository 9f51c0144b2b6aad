#include "core/PendingPicture.h"

CPendingPicture g_pendingPicture;

QString TakePendingPicturePath() {
    return std::exchange(g_pendingPicture.path, QString());
}
