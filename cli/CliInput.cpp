#include "cli/CliInput.h"

#include <cmath>

#include <QJsonArray>
#include <QSet>

void Fail(const QString& message) {
    throw CInputError(message.toStdString());
}

void CheckKeys(const QJsonObject& object, const QString& where,
               std::initializer_list<const char*> known) {
    QSet<QString> names;
    for (const char* name : known) {
        names.insert(QLatin1String(name));
    }
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!names.contains(it.key())) {
            Fail(QStringLiteral("%1: unknown key \"%2\"").arg(where, it.key()));
        }
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
    const double number = value.isDouble() ? value.toDouble() : std::nan("");
    if (!(number >= low && number <= high) || number != std::trunc(number)) {
        Fail(QStringLiteral("%1: expected a whole number from %2 to %3")
                 .arg(where)
                 .arg(low)
                 .arg(high));
    }
    return static_cast<int>(number);
}

ShapePoint PointAt(const QJsonValue& value, const QString& where) {
    const QJsonArray pair = value.toArray();
    if (!value.isArray() || pair.size() != 2 || !pair[0].isDouble() || !pair[1].isDouble() ||
        !std::isfinite(pair[0].toDouble()) || !std::isfinite(pair[1].toDouble())) {
        Fail(where + QStringLiteral(": a point is two numbers [x, y]"));
    }
    return ShapePoint{pair[0].toDouble(), pair[1].toDouble()};
}
