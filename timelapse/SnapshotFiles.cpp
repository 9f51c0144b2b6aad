#include "timelapse/SnapshotFiles.h"

#include "core/FileWriting.h"
#include "image/BmpCodec.h"
#include "image/Dib.h"
#include "image/JpegCodec.h"

#include <vector>

#include <QFileInfo>

namespace {

// Enough tries for any folder a person keeps; a bound keeps a folder full of
// look-alike names from spinning for ever.
constexpr int kMaxAttempts = 10000;

} // namespace

QString TaggedPath(const QString& path, const QString& tag) {
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.isEmpty()) {
        return path + tag;
    }
    return path.left(path.size() - suffix.size() - 1) + tag + u'.' + suffix;
}

QString NumberedPath(const QString& path, int number) {
    return TaggedPath(path, QString::asprintf("-%04d", number));
}

QString WriteNewPicture(const QString& path, const QByteArray& bytes) {
    for (int attempt = 1; attempt < kMaxAttempts; ++attempt) {
        const QString candidate =
            attempt == 1 ? path : TaggedPath(path, QString::asprintf("-%d", attempt));
        if (QFileInfo::exists(candidate)) {
            continue;
        }
        if (WriteNewFileWhole(candidate, bytes)) {
            return candidate;
        }
        // Taken in the meantime: try the next name; otherwise writing failed.
        if (!QFileInfo::exists(candidate)) {
            return {};
        }
    }
    return {};
}

bool EncodeSnapshot(const CDib& picture, const QString& path, QByteArray& bytes) {
    std::vector<std::uint8_t> encoded;
    const bool bmp = QFileInfo(path).suffix().toLower() == QStringLiteral("bmp");
    if (!(bmp ? EncodeBmp(picture, encoded)
              : EncodeJpeg(picture, CDib::kDefaultJpegQuality, encoded))) {
        return false;
    }
    bytes = QByteArray(reinterpret_cast<const char*>(encoded.data()),
                       static_cast<qsizetype>(encoded.size()));
    return true;
}
