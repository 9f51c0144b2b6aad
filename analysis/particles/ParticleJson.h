#pragma once

#include "analysis/particles/ParticleAnalysis.h"

#include <optional>

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// One particle as a JSON object: "id", "area", "perimeter", "circularity",
// "feret", "min_feret", "feret_angle", "centroid": [x, y], "bbox": [x, y, w,
// h], "touches_edge" and, when asked, "outline": [[x, y], ...]. Numbers
// read back as the same doubles whatever the process locale.
void AppendParticleJson(QByteArray& out, const CParticle& particle, bool withOutline);

// Reads what AppendParticleJson wrote with the outline, checking every
// value (finite numbers, a box of non-negative size, an outline of 3 to
// 1 000 000 points within reach of a picture). On a problem: nullopt and
// `error` says what, after `where`.
std::optional<CParticle> ReadParticleJson(const QJsonObject& object, const QString& where,
                                          QString& error);
