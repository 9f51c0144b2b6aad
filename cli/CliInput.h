#pragma once

#include "shapes/Geometry.h"

#include <initializer_list>
#include <stdexcept>

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// Reading marnelo-cli sessions: every problem throws a CInputError naming
// the key where it was found ("shapes[2].points[1]: ..."), which the command
// reports as bad input.

struct CInputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const QString& message);

// Fails on a key of `object` that is not among `known`.
void CheckKeys(const QJsonObject& object, const QString& where,
               std::initializer_list<const char*> known);

QJsonObject ObjectAt(const QJsonValue& value, const QString& where);
QString StringAt(const QJsonValue& value, const QString& where);
// A finite number.
double NumberAt(const QJsonValue& value, const QString& where);
// A whole number from `low` to `high`.
int IntegerAt(const QJsonValue& value, const QString& where, int low, int high);
// A point: two finite numbers [x, y].
ShapePoint PointAt(const QJsonValue& value, const QString& where);
