#pragma once

#include "document/MeasureSession.h"
#include "shapes/ShapeList.h"

#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

// The measurement session kept beside a picture, "NAME.EXT.marnelo.json",
// tied to the picture's exact bytes by their SHA-256: measurements saved for
// one picture are never laid over another (or over the same picture saved
// again with the measurements burned in). GUI thread only (the current
// calibration and decimals are process-wide).

// "<picturePath>.marnelo.json".
QString SessionPathFor(const QString& picturePath);

// The picture's pixels before its measurements were drawn on it, kept
// losslessly beside a snapshot and its session, so that the restored shapes
// lie over a clean picture rather than over their own drawing. A BMP, named
// so that no picture listing takes it for a snapshot.
QString CleanPicturePathFor(const QString& picturePath);

// The SHA-256 of a file's bytes; nullopt with `error` set when it cannot be
// read.
std::optional<QByteArray> FileSha256(const QString& path, QString* error);

// The records of the completed shapes of a list, in order (shapes that make
// no record are left out).
std::vector<CSessionShape> SessionShapesOf(const CShapeList& shapes);

// How a session file is written: over an older one, or only as a new file.
enum class SessionWrite { Replace, NewOnly };

// Writes the session of `shapes` on the picture at `picturePath` (its size
// given) with the current calibration and measure decimals, whole or not at
// all. False with `error` set when the picture cannot be read or the file
// cannot be written (with NewOnly, also when one is there); an older file
// then stays as it was.
bool SaveSessionBeside(const QString& picturePath, int width, int height,
                       std::vector<CSessionShape> shapes, QString* error,
                       SessionWrite write = SessionWrite::Replace);

enum class SessionLoadStatus {
    None,     // no session file beside the picture
    Loaded,   // `session` belongs to the picture
    Mismatch, // a session of another picture (or of an earlier version of it)
    Invalid,  // unreadable or malformed; `message` says why
};

struct CSessionLoad {
    SessionLoadStatus status = SessionLoadStatus::None;
    QString message;
    CMeasureSession session;
};

// Reads the session beside the picture at `picturePath`, a picture of
// width × height pixels, and checks that it belongs to it.
CSessionLoad ReadSessionBeside(const QString& picturePath, int width, int height);

// Makes the session's calibration and decimals the current ones. The name is
// kept only when the calibration store holds a record of that name.
void ApplySessionCalibration(const CMeasureSession& session);

// The completed shapes of a session on its picture, in order, in the current
// drawing style.
std::vector<std::unique_ptr<CShape>> BuildSessionShapes(const CMeasureSession& session);
