#include "cli/CliInput.h"

#include "core/CliJson.h"

#include <cmath>

#include <QJsonArray>
#include <QSet>

void Fail(const QString& message) {
    throw CInputError(message.toStdString());
}

void CheckKeys(const QJsonObject& object, const QString& where,
               std::initializer_list<const char*> known) {
    const QString unknown = UnknownKey(object, known);
    if (!unknown.isEmpty()) {
        Fail(QStringLiteral("%1: unknown key \"%2\"").arg(where, unknown));
    }
}

QJsonObject ObjectAt(const QJsonValue& value, const QString& where) {
    if (!value.isObject()) {
        Fail(where + QStringLiteral(": expected an object"));
    }
    return value.toObject();
}

QString StringAt(const QJsonValue& value, const QString& where) {
    if (!value.isString()) {
        Fail(where + QStringLiteral(": expected a string"));
    }
    return value.toString();
}

double NumberAt(const QJsonValue& value, const QString& where) {
    if (!value.isDouble() || !std::isfinite(value.toDouble())) {
        Fail(where + QStringLiteral(": expected a number"));
    }
    return value.toDouble();
}

int IntegerAt(const QJsonValue& value, const QString& where, int low, int high) {
    const std::optional<int> number = JsonWholeNumber(value, low, high);
    if (!number) {
        Fail(WholeNumberExpected(where, low, high));
    }
    return *number;
}

ShapePoint PointAt(const QJsonValue& value, const QString& where) {
    const QJsonArray pair = value.toArray();
    if (!value.isArray() || pair.size() != 2 || !pair[0].isDouble() || !pair[1].isDouble() ||
        !std::isfinite(pair[0].toDouble()) || !std::isfinite(pair[1].toDouble())) {
        Fail(where + QStringLiteral(": a point is two numbers [x, y]"));
    }
    return ShapePoint{pair[0].toDouble(), pair[1].toDouble()};
}
