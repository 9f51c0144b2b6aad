#include "camera/SnapshotSession.h"

#include "camera/LiveDrawing.h"
#include "core/FileWriting.h"
#include "document/SessionFiles.h"
#include "image/Dib.h"
#include "image/ImagePath.h"
#include "shapes/ShapeFactory.h"
#include "shapes/ShapeKinds.h"

#include <QFile>
#include <QFileInfo>

namespace {

std::optional<CSessionShape> RecordOfLive(const CVideoShap& live, int serial) {
    const CShapeKindInfo* info = KindOfMode(StillModeOfLiveKind(live.kind));
    if (info == nullptr) {
        return std::nullopt;
    }
    const bool chain = info->kind == ShapeKind::kPolygon || info->kind == ShapeKind::kFoldLine;
    const auto count = static_cast<int>(live.points.size());
    if (chain ? count < 4 || count > kShapePointSlots : count != info->storedPoints) {
        return std::nullopt;
    }
    CSessionShape record;
    record.mode = info->mode;
    record.points = live.points;
    record.serial = serial;
    record.exportMark = live.marked != 0 ? 1 : 0;
    if (info->mode == MeasureMode::kText) {
        if (live.labelText.isEmpty()) {
            return std::nullopt;
        }
        record.text = live.labelText;
    }
    if (info->mode == MeasureMode::kSquareMark || info->mode == MeasureMode::kCircleMark) {
        record.markNumber = static_cast<int>(live.measured[0]);
    }
    return record;
}

} // namespace

bool SaveSnapshotSession(const QString& picturePath, const std::vector<CVideoShap>& liveShapes,
                         const CDib* cleanPicture, QString* error) {
    std::vector<CSessionShape> records;
    // Serials run from −1 upwards, as on a still picture.
    int serial = -1;
    for (const CVideoShap& live : liveShapes) {
        if (std::optional<CSessionShape> record = RecordOfLive(live, serial)) {
            records.push_back(std::move(*record));
            ++serial;
        }
    }
    if (records.empty()) {
        return true;
    }
    CDib picture;
    const std::filesystem::path path(QFile::encodeName(picturePath).toStdString());
    const std::optional<ImageType> type = ImageTypeForPath(path);
    if (!type || !picture.Load(path, *type)) {
        if (error != nullptr) {
            *error = QStringLiteral("cannot read \"%1\": %2")
                         .arg(QFileInfo(picturePath).fileName(),
                              type ? QString::fromStdString(picture.LastError())
                                   : QStringLiteral("the file name has no extension"));
        }
        return false;
    }
    if (cleanPicture != nullptr) {
        QByteArray bytes;
        const QString cleanPath = CleanPicturePathFor(picturePath);
        if (!EncodeNewPicture(*cleanPicture, ImageType::Bmp, bytes) ||
            !WriteNewFileWhole(cleanPath, bytes)) {
            if (error != nullptr) {
                *error = QStringLiteral("cannot write \"%1\"").arg(QFileInfo(cleanPath).fileName());
            }
            return false;
        }
    }
    return SaveSessionBeside(picturePath, picture.Width(), picture.Height(), std::move(records),
                             error, SessionWrite::NewOnly);
}
