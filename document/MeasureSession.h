#pragma once

#include "analysis/particles/ParticleAnalysis.h"
#include "shapes/Shape.h"

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include <QByteArray>
#include <QString>

// A picture's measurements kept in a file beside it, in the session format
// marnelo-cli reads: the calibration they were shown with, the decimals, the
// picture (file name, size and the SHA-256 of its bytes) and every shape with
// its measuring mode, points in picture pixels, text, export mark, serial
// and, for numbered marks, the number; a particle also keeps its measures
// and outline. Toolkit-free.
//
// A session file is hostile input: ParseMeasureSession checks every value
// and says in one line what is wrong, never trusting sizes or numbers.

inline constexpr int kMeasureSessionVersion = 1;

// One shape of a session. `points` hold the stored points in order, the
// label anchor last (a polygon's or fold line's vertices, then its anchor).
struct CSessionShape {
    int mode = 0;
    std::vector<ShapePoint> points;
    QString text;
    int exportMark = 0;
    int serial = 0;
    int markNumber = 0; // square and circle marks only
    // An analysed particle (MeasureMode::kParticle): its measures and outline
    // in picture pixels; its one point is the centroid, where its number goes.
    std::optional<CParticle> particle;

    friend bool operator==(const CSessionShape&, const CSessionShape&) = default;
};

struct CMeasureSession {
    QString calibrationName; // the calibration chosen when saved; may be empty
    QString unit = QStringLiteral("mm");
    double scale = 60.0; // picture pixels per centimetre
    int decimals = 2;
    QString pictureFile; // the picture's file name, beside the session
    int width = 0;
    int height = 0;
    QByteArray pictureSha256; // 32 bytes
    std::vector<CSessionShape> shapes;
};

// The record of a completed shape; nullopt for a kind without a measuring
// mode or a shape whose points do not make a complete one.
std::optional<CSessionShape> SessionShapeOf(const CShape& shape);

// The completed shape a record describes, on a picture of the given size, in
// the current drawing style, its results computed with the current
// calibration; nullptr when the record does not make one.
std::unique_ptr<CShape> BuildSessionShape(const CSessionShape& record, int imageWidth,
                                          int imageHeight);

// The session as UTF-8 JSON; numbers read back as exactly the same doubles
// whatever the process locale.
QByteArray SerializeMeasureSession(const CMeasureSession& session);

// Reads a session written by SerializeMeasureSession (or by hand in the same
// format). On any problem: nullopt and `error` names it ("shapes[3].points:
// ...").
std::optional<CMeasureSession> ParseMeasureSession(const QByteArray& json, QString* error);
