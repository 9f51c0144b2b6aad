#include "analysis/particles/ParticleJson.h"

#include "core/CliJson.h"

#include <cmath>
#include <limits>

#include <QJsonArray>

namespace {

constexpr double kMaxCoordinate = 1 << 24;
constexpr qsizetype kMaxOutline = 1'000'000;

QByteArray Pair(double x, double y) {
    QByteArray pair("[");
    AppendJsonNumber(pair, x);
    pair.append(", ");
    AppendJsonNumber(pair, y);
    pair.append(']');
    return pair;
}

} // namespace

void AppendParticleJson(QByteArray& out, const CParticle& p, bool withOutline) {
    out.append('{');
    CJsonMembers members(out);
    members.Integer("id", p.id)
        .Number("area", p.area)
        .Number("perimeter", p.perimeter)
        .Number("circularity", p.circularity)
        .Number("feret", p.feret)
        .Number("min_feret", p.minFeret)
        .Number("feret_angle", p.feretAngle)
        .Raw("centroid", Pair(p.centroidX, p.centroidY))
        .Raw("bbox", "[" + QByteArray::number(p.boxX) + ", " + QByteArray::number(p.boxY) + ", " +
                         QByteArray::number(p.boxWidth) + ", " + QByteArray::number(p.boxHeight) +
                         "]")
        .Raw("touches_edge", p.touchesEdge ? "true" : "false");
    if (withOutline) {
        QByteArray outline("[");
        for (std::size_t i = 0; i < p.outline.size(); ++i) {
            if (i > 0) {
                outline.append(", ");
            }
            outline.append(Pair(p.outline[i].first, p.outline[i].second));
        }
        outline.append(']');
        members.Raw("outline", outline);
    }
    out.append('}');
}

std::optional<CParticle> ReadParticleJson(const QJsonObject& object, const QString& where,
                                          QString& error) {
    const auto fail = [&](const QString& what) {
        error = where + what;
        return std::nullopt;
    };
    const QString unknown =
        UnknownKey(object, {"id", "area", "perimeter", "circularity", "feret", "min_feret",
                            "feret_angle", "centroid", "bbox", "touches_edge", "outline"});
    if (!unknown.isEmpty()) {
        return fail(QStringLiteral(": unknown key \"%1\"").arg(unknown));
    }
    CParticle p;
    const std::optional<int> id = JsonWholeNumber(object["id"], 0, 1'000'000'000);
    if (!id) {
        return fail(QStringLiteral(".id: expected a whole number from 0 to 1000000000"));
    }
    p.id = *id;
    for (const auto& [key, field] : {std::pair{"area", &p.area},
                                     {"perimeter", &p.perimeter},
                                     {"circularity", &p.circularity},
                                     {"feret", &p.feret},
                                     {"min_feret", &p.minFeret},
                                     {"feret_angle", &p.feretAngle}}) {
        const QJsonValue value = object[QLatin1String(key)];
        if (!value.isDouble() || !std::isfinite(value.toDouble()) || value.toDouble() < 0) {
            return fail(QStringLiteral(".%1: expected a number of at least 0").arg(key));
        }
        *field = value.toDouble();
    }
    const auto point = [](const QJsonValue& value, double& x, double& y) {
        const QJsonArray pair = value.toArray();
        if (pair.size() != 2 || !pair[0].isDouble() || !pair[1].isDouble()) {
            return false;
        }
        x = pair[0].toDouble();
        y = pair[1].toDouble();
        return std::abs(x) <= kMaxCoordinate && std::abs(y) <= kMaxCoordinate;
    };
    if (!point(object["centroid"], p.centroidX, p.centroidY)) {
        return fail(QStringLiteral(".centroid: a point is two numbers [x, y] within a picture"));
    }
    const QJsonArray box = object["bbox"].toArray();
    std::optional<int> values[4];
    for (int i = 0; i < 4; ++i) {
        values[i] = JsonWholeNumber(box.at(i), i < 2 ? -(1 << 24) : 0, 1 << 24);
    }
    if (box.size() != 4 || !values[0] || !values[1] || !values[2] || !values[3]) {
        return fail(QStringLiteral(".bbox: expected [x, y, width, height] in whole pixels"));
    }
    p.boxX = *values[0];
    p.boxY = *values[1];
    p.boxWidth = *values[2];
    p.boxHeight = *values[3];
    if (!object["touches_edge"].isBool()) {
        return fail(QStringLiteral(".touches_edge: expected true or false"));
    }
    p.touchesEdge = object["touches_edge"].toBool();
    const QJsonArray outline = object["outline"].toArray();
    if (outline.size() < 3 || outline.size() > kMaxOutline) {
        return fail(QStringLiteral(".outline: expected 3 to %1 points").arg(kMaxOutline));
    }
    p.outline.resize(static_cast<std::size_t>(outline.size()));
    for (qsizetype i = 0; i < outline.size(); ++i) {
        auto& [x, y] = p.outline[static_cast<std::size_t>(i)];
        if (!point(outline[i], x, y)) {
            return fail(
                QStringLiteral(".outline[%1]: a point is two numbers [x, y] within a picture")
                    .arg(i));
        }
    }
    return p;
}
