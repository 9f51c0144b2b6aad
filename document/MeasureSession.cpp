#include "document/MeasureSession.h"

#include "analysis/particles/ParticleJson.h"
#include "analysis/particles/ParticleShape.h"
#include "calibration/Calibration.h"
#include "core/CliJson.h"
#include "core/Parameters.h"
#include "shapes/ShapeFactory.h"
#include "shapes/ShapeKinds.h"

#include <charconv>
#include <cmath>
#include <limits>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {

constexpr int kMaxImageSide = 1 << 20;
// Far beyond any picture, small enough that squares and sums stay finite.
constexpr double kMaxCoordinate = 1 << 24;
constexpr double kMaxScale = 1e12;
constexpr int kMaxSerial = 1'000'000'000;
constexpr qsizetype kMaxTextLength = 10000;
constexpr qsizetype kMaxShapes = 1'000'000;
constexpr int kSha256Bytes = 32;

bool IsChain(int kind) {
    return kind == ShapeKind::kPolygon || kind == ShapeKind::kFoldLine;
}

bool IsNumberedMark(int mode) {
    return mode == MeasureMode::kSquareMark || mode == MeasureMode::kCircleMark;
}

// --- writing -------------------------------------------------------------

void AppendShape(QByteArray& out, const CSessionShape& shape) {
    QByteArray points = "[";
    for (std::size_t i = 0; i < shape.points.size(); ++i) {
        points.append(i > 0 ? ", [" : "[");
        AppendJsonNumber(points, shape.points[i].x);
        points.append(", ");
        AppendJsonNumber(points, shape.points[i].y);
        points.append(']');
    }
    points.append(']');
    out.append('{');
    CJsonMembers members(out);
    members.Integer("mode", shape.mode).Integer("serial", shape.serial).Raw("points", points);
    if (shape.mode == MeasureMode::kText) {
        members.String("text", shape.text);
    }
    if (IsNumberedMark(shape.mode)) {
        members.Integer("number", shape.markNumber);
    }
    members.Integer("mark", shape.exportMark);
    if (shape.particle) {
        QByteArray particle;
        AppendParticleJson(particle, *shape.particle, true);
        members.Raw("particle", particle);
    }
    out.append('}');
}

// --- reading ---------------------------------------------------------------

// Reading stops at the first problem; `error` then names it.
class CReader {
public:
    explicit CReader(QString* error)
        : m_error(error) {}

    bool Failed() const { return m_failed; }
    // Records the first problem only; always false, for `return Fail(...)`.
    bool Fail(const QString& message) {
        if (!m_failed && m_error != nullptr) {
            *m_error = message;
        }
        m_failed = true;
        return false;
    }

    bool Keys(const QJsonObject& object, const QString& where,
              std::initializer_list<const char*> known) {
        const QString unknown = UnknownKey(object, known);
        return unknown.isEmpty() ||
               Fail(QStringLiteral("%1: unknown key \"%2\"").arg(where, unknown));
    }

    std::optional<QJsonObject> Object(const QJsonObject& parent, const char* key,
                                      const QString& where) {
        if (!parent[QLatin1String(key)].isObject()) {
            Fail(where + QStringLiteral(": expected an object"));
            return std::nullopt;
        }
        return parent[QLatin1String(key)].toObject();
    }

    int Integer(const QJsonValue& value, const QString& where, int low, int high) {
        const std::optional<int> number = JsonWholeNumber(value, low, high);
        if (!number) {
            Fail(WholeNumberExpected(where, low, high));
        }
        return number.value_or(low);
    }

    QString String(const QJsonValue& value, const QString& where, qsizetype maxLength) {
        if (!value.isString()) {
            Fail(where + QStringLiteral(": expected a text"));
            return {};
        }
        if (value.toString().size() > maxLength) {
            Fail(QStringLiteral("%1: longer than %2 characters").arg(where).arg(maxLength));
            return {};
        }
        return value.toString();
    }

    ShapePoint Point(const QJsonValue& value, const QString& where) {
        const QJsonArray pair = value.toArray();
        if (!value.isArray() || pair.size() != 2 || !pair[0].isDouble() || !pair[1].isDouble()) {
            Fail(where + QStringLiteral(": a point is two numbers [x, y]"));
            return {};
        }
        const ShapePoint p{pair[0].toDouble(), pair[1].toDouble()};
        if (!(std::abs(p.x) <= kMaxCoordinate && std::abs(p.y) <= kMaxCoordinate)) {
            Fail(where + QStringLiteral(": the point lies too far outside any picture"));
            return {};
        }
        return p;
    }

private:
    QString* m_error;
    bool m_failed = false;
};

bool ReadCalibration(CReader& reader, const QJsonObject& object, CMeasureSession& session) {
    const QString where = QStringLiteral("calibration");
    if (!reader.Keys(object, where, {"name", "unit", "scale"})) {
        return false;
    }
    if (object.contains("name")) {
        session.calibrationName = reader.String(object["name"], where + ".name", 256);
    }
    session.unit = reader.String(object["unit"], where + ".unit", 16);
    if (!reader.Failed() && !UnitFactorOf(session.unit)) {
        return reader.Fail(QStringLiteral("%1.unit: unknown unit \"%2\" (nm, um, mm, cm or mil)")
                               .arg(where, session.unit));
    }
    const QJsonValue scale = object["scale"];
    if (!scale.isDouble() || !(scale.toDouble() > 0.0 && scale.toDouble() <= kMaxScale)) {
        return reader.Fail(where + QStringLiteral(".scale: pixels per centimetre must be a "
                                                  "positive number"));
    }
    session.scale = scale.toDouble();
    return !reader.Failed();
}

bool ReadImage(CReader& reader, const QJsonObject& object, CMeasureSession& session) {
    const QString where = QStringLiteral("image");
    if (!reader.Keys(object, where, {"file", "width", "height", "sha256"})) {
        return false;
    }
    session.pictureFile = reader.String(object["file"], where + ".file", 4096);
    session.width = reader.Integer(object["width"], where + ".width", 1, kMaxImageSide);
    session.height = reader.Integer(object["height"], where + ".height", 1, kMaxImageSide);
    const QString hex = reader.String(object["sha256"], where + ".sha256", 2 * kSha256Bytes);
    if (reader.Failed()) {
        return false;
    }
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    if (hex.size() != 2 * kSha256Bytes || bytes.size() != kSha256Bytes ||
        bytes.toHex() != hex.toLatin1().toLower()) {
        return reader.Fail(where + QStringLiteral(".sha256: expected 64 hexadecimal digits"));
    }
    session.pictureSha256 = bytes;
    return true;
}

// A particle: the serial, the export mark and the particle itself, whose
// centroid is the one point.
std::optional<CSessionShape> ReadParticleShape(CReader& reader, const QJsonObject& entry,
                                               const QString& where) {
    if (!reader.Keys(entry, where, {"mode", "serial", "points", "mark", "particle"})) {
        return std::nullopt;
    }
    CSessionShape shape;
    shape.mode = MeasureMode::kParticle;
    if (entry.contains("serial")) {
        shape.serial = reader.Integer(entry["serial"], where + ".serial", -kMaxSerial, kMaxSerial);
    }
    if (entry.contains("mark")) {
        shape.exportMark = reader.Integer(entry["mark"], where + ".mark", 0, 1);
    }
    if (!entry["particle"].isObject()) {
        reader.Fail(where + QStringLiteral(".particle: expected an object"));
        return std::nullopt;
    }
    QString error;
    shape.particle = ReadParticleJson(entry["particle"].toObject(), where + ".particle", error);
    if (!shape.particle) {
        reader.Fail(error);
        return std::nullopt;
    }
    shape.points = {ShapePoint{shape.particle->centroidX, shape.particle->centroidY}};
    if (reader.Failed()) {
        return std::nullopt;
    }
    return shape;
}

std::optional<CSessionShape> ReadShape(CReader& reader, const QJsonValue& value,
                                       const QString& where) {
    if (!value.isObject()) {
        reader.Fail(where + QStringLiteral(": expected an object"));
        return std::nullopt;
    }
    const QJsonObject entry = value.toObject();
    if (!reader.Keys(entry, where,
                     {"mode", "serial", "points", "text", "number", "mark", "particle"})) {
        return std::nullopt;
    }
    CSessionShape shape;
    shape.mode = reader.Integer(entry["mode"], where + ".mode", std::numeric_limits<int>::min(),
                                std::numeric_limits<int>::max());
    if (reader.Failed()) {
        return std::nullopt;
    }
    if (shape.mode == MeasureMode::kParticle) {
        return ReadParticleShape(reader, entry, where);
    }
    if (entry.contains("particle")) {
        reader.Fail(where + QStringLiteral(".particle: only particles (mode 200) have one"));
        return std::nullopt;
    }
    const CShapeKindInfo* info = KindOfMode(shape.mode);
    if (info == nullptr) {
        reader.Fail(
            QStringLiteral("%1.mode: %2 is not the mode of a shape").arg(where).arg(shape.mode));
        return std::nullopt;
    }
    if (entry.contains("serial")) {
        shape.serial = reader.Integer(entry["serial"], where + ".serial", -kMaxSerial, kMaxSerial);
    }
    if (!entry["points"].isArray()) {
        reader.Fail(where + QStringLiteral(".points: expected an array of points"));
        return std::nullopt;
    }
    const QJsonArray points = entry["points"].toArray();
    const qsizetype given = points.size();
    const bool countOk =
        IsChain(info->kind) ? given >= 4 && given <= kShapePointSlots : given == info->storedPoints;
    if (!countOk) {
        reader.Fail(
            IsChain(info->kind)
                ? QStringLiteral("%1.points: %2 needs 3 to 10 vertices and the label anchor, "
                                 "got %3 points")
                      .arg(where, QLatin1String(info->className))
                      .arg(given)
                : QStringLiteral("%1.points: %2 needs %3 points (the label anchor last), got %4")
                      .arg(where, QLatin1String(info->className))
                      .arg(info->storedPoints)
                      .arg(given));
        return std::nullopt;
    }
    for (qsizetype i = 0; i < given && !reader.Failed(); ++i) {
        shape.points.push_back(
            reader.Point(points[i], QStringLiteral("%1.points[%2]").arg(where).arg(i)));
    }
    if (entry.contains("text")) {
        if (shape.mode != MeasureMode::kText) {
            reader.Fail(where + QStringLiteral(".text: only text notes (mode 121) have a text"));
            return std::nullopt;
        }
        shape.text = reader.String(entry["text"], where + ".text", kMaxTextLength);
    }
    if (shape.mode == MeasureMode::kText && shape.text.isEmpty() && !reader.Failed()) {
        reader.Fail(where + QStringLiteral(".text: a text note needs a text"));
    }
    if (entry.contains("number")) {
        if (!IsNumberedMark(shape.mode)) {
            reader.Fail(where +
                        QStringLiteral(".number: only marks (modes 120, 130) have a number"));
            return std::nullopt;
        }
        shape.markNumber = reader.Integer(entry["number"], where + ".number", 0, kMaxSerial);
    }
    if (entry.contains("mark")) {
        shape.exportMark = reader.Integer(entry["mark"], where + ".mark", 0, 1);
    }
    if (reader.Failed()) {
        return std::nullopt;
    }
    return shape;
}

} // namespace

std::optional<CSessionShape> SessionShapeOf(const CShape& shape) {
    if (const auto* particle = dynamic_cast<const CParticleShape*>(&shape)) {
        if (shape.inProgress != 0) {
            return std::nullopt;
        }
        CSessionShape record;
        record.mode = MeasureMode::kParticle;
        record.serial = shape.serial;
        record.exportMark = shape.exportMark;
        record.particle = particle->Pixels();
        record.points = {shape.points[0]};
        return record;
    }
    const CShapeKindInfo* info = KindOfCode(shape.kind);
    if (info == nullptr || shape.inProgress != 0) {
        return std::nullopt;
    }
    CSessionShape record;
    record.mode = info->mode;
    record.serial = shape.serial;
    record.exportMark = shape.exportMark;
    if (info->mode == MeasureMode::kText) {
        record.text = shape.text;
    }
    if (IsNumberedMark(info->mode)) {
        record.markNumber = static_cast<int>(shape.measure[0]);
    }
    if (IsChain(info->kind)) {
        for (int i = 0; i < kShapePointSlots - 1 && IsSet(shape.points[i]); ++i) {
            record.points.push_back(shape.points[i]);
        }
        if (record.points.size() < 3) {
            return std::nullopt;
        }
        record.points.push_back(shape.points[kShapePointSlots - 1]);
        return record;
    }
    record.points.assign(shape.points.begin(), shape.points.begin() + info->storedPoints);
    return record;
}

std::unique_ptr<CShape> BuildSessionShape(const CSessionShape& record, int imageWidth,
                                          int imageHeight) {
    CShapeParams params;
    params.lineColor = static_cast<COLORREF>(g_parameters.linecolor);
    params.textColor = static_cast<COLORREF>(g_parameters.textcolor);
    params.imgWidth = imageWidth;
    params.imgHeight = imageHeight;
    if (record.mode == MeasureMode::kParticle) {
        if (!record.particle) {
            return nullptr;
        }
        auto shape = std::make_unique<CParticleShape>(*record.particle, CParticleScale{}, params);
        CompleteShape(*shape, record.serial);
        shape->exportMark = record.exportMark;
        return shape;
    }
    const CShapeKindInfo* info = KindOfMode(record.mode);
    if (info == nullptr || record.points.empty() ||
        record.points.size() > static_cast<std::size_t>(kShapePointSlots)) {
        return nullptr;
    }
    params.text = record.text;
    params.markNumber = record.markNumber;
    const std::size_t count = record.points.size();
    for (std::size_t i = 0; i < count; ++i) {
        const bool anchorOfChain = IsChain(info->kind) && i + 1 == count;
        params.points[anchorOfChain ? kShapePointSlots - 1 : i] = record.points[i];
    }
    // The horizontal and vertical distances keep their second point on the
    // first point's row or column, as their tools do.
    if (record.mode == MeasureMode::kHorizontalLine) {
        params.points[1].y = params.points[0].y;
    } else if (record.mode == MeasureMode::kVerticalLine) {
        params.points[1].x = params.points[0].x;
    }
    std::unique_ptr<CShape> shape = CreateShape(record.mode, params);
    if (!shape) {
        return nullptr;
    }
    CompleteShape(*shape, record.serial);
    shape->exportMark = record.exportMark;
    return shape;
}

QByteArray SerializeMeasureSession(const CMeasureSession& session) {
    QByteArray out("{\n  \"version\": ");
    AppendJsonInteger(out, kMeasureSessionVersion);
    out.append(",\n  \"image\": {");
    CJsonMembers(out)
        .String("file", session.pictureFile)
        .Integer("width", session.width)
        .Integer("height", session.height)
        .String("sha256", QString::fromLatin1(session.pictureSha256.toHex()));
    out.append("},\n  \"calibration\": {");
    CJsonMembers(out)
        .String("name", session.calibrationName)
        .String("unit", session.unit)
        .Number("scale", session.scale);
    out.append("},\n  \"decimals\": ");
    AppendJsonInteger(out, session.decimals);
    out.append(",\n  \"shapes\": [");
    for (std::size_t i = 0; i < session.shapes.size(); ++i) {
        out.append(i > 0 ? ",\n    " : "\n    ");
        AppendShape(out, session.shapes[i]);
    }
    out.append(session.shapes.empty() ? "]\n}\n" : "\n  ]\n}\n");
    return out;
}

std::optional<CMeasureSession> ParseMeasureSession(const QByteArray& json, QString* error) {
    CReader reader(error);
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        reader.Fail(QStringLiteral("malformed JSON at offset %1: %2")
                        .arg(parseError.offset)
                        .arg(parseError.errorString()));
        return std::nullopt;
    }
    if (!document.isObject()) {
        reader.Fail(QStringLiteral("a measurement session is a JSON object"));
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    if (!root.contains("version")) {
        reader.Fail(QStringLiteral("version: missing; not a saved measurement session"));
        return std::nullopt;
    }
    const QJsonValue version = root["version"];
    if (version.isDouble() && version.toDouble() > kMeasureSessionVersion) {
        reader.Fail(QStringLiteral("version: made by a newer Marnelo (version %1); this one reads "
                                   "version %2")
                        .arg(version.toDouble())
                        .arg(kMeasureSessionVersion));
        return std::nullopt;
    }
    reader.Integer(version, QStringLiteral("version"), kMeasureSessionVersion,
                   kMeasureSessionVersion);
    if (reader.Failed() ||
        !reader.Keys(root, QStringLiteral("session"),
                     {"version", "image", "calibration", "decimals", "shapes"})) {
        return std::nullopt;
    }
    CMeasureSession session;
    const std::optional<QJsonObject> image = reader.Object(root, "image", QStringLiteral("image"));
    if (!image || !ReadImage(reader, *image, session)) {
        return std::nullopt;
    }
    const std::optional<QJsonObject> calibration =
        reader.Object(root, "calibration", QStringLiteral("calibration"));
    if (!calibration || !ReadCalibration(reader, *calibration, session)) {
        return std::nullopt;
    }
    session.decimals =
        reader.Integer(root["decimals"], QStringLiteral("decimals"), 0, kMaxDecimals);
    if (!root["shapes"].isArray()) {
        reader.Fail(QStringLiteral("shapes: expected an array"));
        return std::nullopt;
    }
    const QJsonArray shapes = root["shapes"].toArray();
    if (shapes.size() > kMaxShapes) {
        reader.Fail(QStringLiteral("shapes: more than %1 shapes").arg(kMaxShapes));
        return std::nullopt;
    }
    session.shapes.reserve(static_cast<std::size_t>(shapes.size()));
    for (qsizetype i = 0; i < shapes.size() && !reader.Failed(); ++i) {
        if (std::optional<CSessionShape> shape =
                ReadShape(reader, shapes[i], QStringLiteral("shapes[%1]").arg(i))) {
            session.shapes.push_back(std::move(*shape));
        }
    }
    if (reader.Failed()) {
        return std::nullopt;
    }
    return session;
}
