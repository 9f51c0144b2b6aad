#include "document/SessionFiles.h"

#include "calibration/Calibration.h"
#include "core/FileWriting.h"
#include "core/Parameters.h"

#include <algorithm>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace {

// Far more than any real session; a larger file is not read into memory.
constexpr qint64 kMaxSessionBytes = 128 * 1024 * 1024;

} // namespace

QString SessionPathFor(const QString& picturePath) {
    return picturePath + QStringLiteral(".marnelo.json");
}

QString CleanPicturePathFor(const QString& picturePath) {
    return picturePath + QStringLiteral(".marnelo.pixels");
}

std::optional<QByteArray> FileSha256(const QString& path, QString* error) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file) ||
        file.error() != QFileDevice::NoError) {
        if (error != nullptr) {
            *error = QStringLiteral("cannot read \"%1\": %2")
                         .arg(QFileInfo(path).fileName(), file.errorString());
        }
        return std::nullopt;
    }
    return hash.result();
}

std::vector<CSessionShape> SessionShapesOf(const CShapeList& shapes) {
    std::vector<CSessionShape> records;
    records.reserve(shapes.Count());
    for (const auto& shape : shapes.Shapes()) {
        if (std::optional<CSessionShape> record = SessionShapeOf(*shape)) {
            records.push_back(std::move(*record));
        }
    }
    return records;
}

bool SaveSessionBeside(const QString& picturePath, int width, int height,
                       std::vector<CSessionShape> shapes, QString* error, SessionWrite write) {
    const std::optional<QByteArray> hash = FileSha256(picturePath, error);
    if (!hash) {
        return false;
    }
    CMeasureSession session;
    session.calibrationName = g_calibration.selectedName;
    session.unit = g_calibration.unit;
    session.scale = g_calibration.scale;
    session.decimals = std::clamp(g_parameters.measuredecimal, 0, 15);
    session.pictureFile = QFileInfo(picturePath).fileName();
    session.width = width;
    session.height = height;
    session.pictureSha256 = *hash;
    session.shapes = std::move(shapes);
    const QString path = SessionPathFor(picturePath);
    const QByteArray bytes = SerializeMeasureSession(session);
    if (write == SessionWrite::Replace ? !WriteFileWhole(path, bytes)
                                       : !WriteNewFileWhole(path, bytes)) {
        if (error != nullptr) {
            *error = QStringLiteral("cannot write \"%1\"").arg(QFileInfo(path).fileName());
        }
        return false;
    }
    return true;
}

CSessionLoad ReadSessionBeside(const QString& picturePath, int width, int height) {
    CSessionLoad load;
    const QString path = SessionPathFor(picturePath);
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.exists()) {
        return load;
    }
    load.status = SessionLoadStatus::Invalid;
    if (!file.open(QIODevice::ReadOnly)) {
        load.message = QStringLiteral("%1: %2").arg(name, file.errorString());
        return load;
    }
    if (file.size() > kMaxSessionBytes) {
        load.message = QStringLiteral("%1: too large for a measurement session").arg(name);
        return load;
    }
    const QByteArray bytes = file.read(kMaxSessionBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxSessionBytes) {
        load.message = QStringLiteral("%1: %2").arg(name, file.errorString());
        return load;
    }
    QString error;
    std::optional<CMeasureSession> session = ParseMeasureSession(bytes, &error);
    if (!session) {
        load.message = QStringLiteral("%1: %2").arg(name, error);
        return load;
    }
    const std::optional<QByteArray> hash = FileSha256(picturePath, &error);
    if (!hash) {
        load.message = error;
        return load;
    }
    if (*hash != session->pictureSha256) {
        load.status = SessionLoadStatus::Mismatch;
        load.message = QStringLiteral("%1: the picture was changed after its measurements were "
                                      "saved; they are not shown")
                           .arg(name);
        return load;
    }
    if (session->width != width || session->height != height) {
        load.message = QStringLiteral("%1: made for a picture of %2 × %3, not %4 × %5")
                           .arg(name)
                           .arg(session->width)
                           .arg(session->height)
                           .arg(width)
                           .arg(height);
        return load;
    }
    load.status = SessionLoadStatus::Loaded;
    load.session = std::move(*session);
    return load;
}

void ApplySessionCalibration(const CMeasureSession& session) {
    g_calibration.unit = session.unit;
    UnitFactor();
    g_calibration.scale = session.scale;
    QString unit;
    double scale = 0.0;
    double reference = 0.0;
    g_calibration.selectedName = FindCalibration(session.calibrationName, unit, scale, reference)
                                     ? session.calibrationName
                                     : QString();
    g_parameters.measuredecimal = session.decimals;
}

std::vector<std::unique_ptr<CShape>> BuildSessionShapes(const CMeasureSession& session) {
    std::vector<std::unique_ptr<CShape>> shapes;
    shapes.reserve(session.shapes.size());
    for (const CSessionShape& record : session.shapes) {
        if (std::unique_ptr<CShape> shape =
                BuildSessionShape(record, session.width, session.height)) {
            shapes.push_back(std::move(shape));
        }
    }
    return shapes;
}
