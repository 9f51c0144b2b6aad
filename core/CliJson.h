#pragma once

#include <initializer_list>
#include <optional>

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// Pieces of marnelo-cli's JSON output. Numbers never follow the process
// locale; doubles are written in the shortest form that reads back as the
// same double (17 significant digits at most), and a value that is not finite
// as null.
void AppendJsonNumber(QByteArray& out, double value);
void AppendJsonInteger(QByteArray& out, long long value);
// A quoted, escaped UTF-8 string.
void AppendJsonString(QByteArray& out, const QString& text);

// The members of one JSON object, written in order as `"key": value` joined
// by ", "; the braces are the caller's:
//   CJsonMembers(out).String("name", name).Number("scale", scale);
class CJsonMembers {
public:
    explicit CJsonMembers(QByteArray& out)
        : m_out(out) {}

    CJsonMembers& String(const char* key, const QString& value);
    CJsonMembers& Number(const char* key, double value);
    CJsonMembers& Integer(const char* key, long long value);
    // `json` as it is: an array or object the caller wrote.
    CJsonMembers& Raw(const char* key, const QByteArray& json);

private:
    void Key(const char* key);

    QByteArray& m_out;
    bool m_first = true;
};

// The first key of `object` that is not one of `known`; empty when there is
// none. Session readers refuse such keys rather than ignore a misspelling.
QString UnknownKey(const QJsonObject& object, std::initializer_list<const char*> known);

// The value as a whole number from `low` to `high`; nullopt for anything
// else (a fraction, a text, a number out of range).
std::optional<int> JsonWholeNumber(const QJsonValue& value, int low, int high);
// "WHERE: expected a whole number from LOW to HIGH".
QString WholeNumberExpected(const QString& where, int low, int high);
