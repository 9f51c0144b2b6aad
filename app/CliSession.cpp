#include "app/CliSession.h"

#include "app/CliJson.h"
#include "app/CliRender.h"
#include "app/FileWriting.h"
#include "app/Parameters.h"
#include "calibration/Calibration.h"
#include "calibration/CalibrationFiles.h"
#include "reports/ResultRows.h"
#include "shapes/DistanceShapes.h"
#include "shapes/ShapeFactory.h"
#include "shapes/ShapeKinds.h"
#include "shapes/ShapeList.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include <QDir>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {

// A problem with the session, named for the user.
struct CInputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const QString& message) {
    throw CInputError(message.toStdString());
}

constexpr int kMaxDecimals = 15;
constexpr int kMaxImageSide = 1 << 20;

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

void ApplySessionCalibration(const QJsonObject& calibration, const QString& sessionFolder) {
    const QString where = QStringLiteral("calibration");
    CheckKeys(calibration, where, {"unit", "scale", "store", "name"});
    const bool byValues = calibration.contains("unit") || calibration.contains("scale");
    const bool byStore = calibration.contains("store") || calibration.contains("name");
    if (byValues && byStore) {
        Fail(where + QStringLiteral(": give either unit and scale, or a stored name"));
    }
    if (byValues) {
        if (calibration.contains("unit")) {
            const QString unit = StringAt(calibration["unit"], where + QStringLiteral(".unit"));
            if (!UnitFactorOf(unit)) {
                Fail(QStringLiteral("%1.unit: unknown unit \"%2\" (nm, um, mm, cm or mil)")
                         .arg(where, unit));
            }
            g_calibration.unit = unit;
            UnitFactor();
        }
        if (calibration.contains("scale")) {
            const double scale = NumberAt(calibration["scale"], where + QStringLiteral(".scale"));
            if (!(scale > 0.0)) {
                Fail(where + QStringLiteral(".scale: pixels per centimetre must be positive"));
            }
            g_calibration.scale = scale;
        }
        return;
    }
    if (!calibration.contains("name")) {
        Fail(where + QStringLiteral(": a store needs the name of a calibration"));
    }
    const QString name = StringAt(calibration["name"], where + QStringLiteral(".name"));
    QString path = CalibrationStorePath();
    if (calibration.contains("store")) {
        path =
            QDir(sessionFolder)
                .absoluteFilePath(StringAt(calibration["store"], where + QStringLiteral(".store")));
    }
    QString error;
    if (!LoadCalibrationsFrom(path, &error)) {
        Fail(QStringLiteral("%1.store: cannot load \"%2\": %3").arg(where, path, error));
    }
    if (!ApplyCalibration(name)) {
        Fail(QStringLiteral("%1.name: \"%2\" is not a usable calibration in \"%3\"")
                 .arg(where, name, path));
    }
    g_calibration.selectedName = name;
}

// The point slots a session entry fills: the stored points in order, except
// that the anchor of a polygon or fold line goes to P10 after its vertices.
std::vector<int> SlotsFor(const CShapeKindInfo& info, int given, const QString& where) {
    const bool vertices = info.kind == ShapeKind::kPolygon || info.kind == ShapeKind::kFoldLine;
    if (vertices) {
        if (given < 4 || given > kShapePointSlots) {
            Fail(QStringLiteral("%1: %2 needs 3 to 10 vertices and the label anchor, got %3 points")
                     .arg(where, QLatin1String(info.className))
                     .arg(given));
        }
    } else if (given != info.storedPoints) {
        Fail(QStringLiteral("%1: %2 needs %3 points (the label anchor last), got %4")
                 .arg(where, QLatin1String(info.className))
                 .arg(info.storedPoints)
                 .arg(given));
    }
    std::vector<int> pointSlots;
    for (int i = 0; i < given; ++i) {
        pointSlots.push_back(vertices && i == given - 1 ? kShapePointSlots - 1 : i);
    }
    return pointSlots;
}

ShapePoint PointAt(const QJsonValue& value, const QString& where) {
    const QJsonArray pair = value.toArray();
    if (!value.isArray() || pair.size() != 2 || !pair[0].isDouble() || !pair[1].isDouble() ||
        !std::isfinite(pair[0].toDouble()) || !std::isfinite(pair[1].toDouble())) {
        Fail(where + QStringLiteral(": a point is two numbers [x, y]"));
    }
    return ShapePoint{pair[0].toDouble(), pair[1].toDouble()};
}

struct CSessionImage {
    int width = 640;
    int height = 480;
    QImage picture; // the session's picture file, when one was read
};

struct CMeasuredShapes {
    CShapeList list;
    std::vector<std::vector<int>> pointSlots; // per shape, the slots to report
};

// A session read and measured: its shapes with their results, the decimals
// (also made the measure decimals setting, which the labels use) and the
// picture the shapes are made on.
struct CSession {
    CMeasuredShapes measured;
    int decimals = 0;
    CSessionImage image;
    QStringList warnings;
};

void AddShape(const QJsonObject& entry, const QString& where, const CSessionImage& image,
              CShapeCounters& counters, CMeasuredShapes& measured) {
    CheckKeys(entry, where, {"mode", "points", "text", "mark"});
    if (!entry.contains("mode")) {
        Fail(where + QStringLiteral(": the mode is missing"));
    }
    const int mode = IntegerAt(entry["mode"], where + QStringLiteral(".mode"),
                               std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    const CShapeKindInfo* info = KindOfMode(mode);
    if (info == nullptr) {
        // The factory names the problem, as it does for the view.
        QString message;
        g_shapeNotifications.showMessage = [&message](const QString& text) {
            message = text;
        };
        CreateShape(mode, CShapeParams{});
        g_shapeNotifications.showMessage = nullptr;
        Fail(QStringLiteral("%1.mode: %2: %3").arg(where).arg(mode).arg(message));
    }

    if (!entry["points"].isArray()) {
        Fail(where + QStringLiteral(".points: expected an array of points"));
    }
    const QJsonArray points = entry["points"].toArray();
    CShapeParams params;
    params.lineColor = static_cast<COLORREF>(g_parameters.linecolor);
    params.textColor = static_cast<COLORREF>(g_parameters.textcolor);
    params.imgWidth = image.width;
    params.imgHeight = image.height;
    std::vector<int> pointSlots = SlotsFor(*info, static_cast<int>(points.size()), where);
    for (std::size_t i = 0; i < pointSlots.size(); ++i) {
        params.points[pointSlots[i]] = PointAt(points[static_cast<qsizetype>(i)],
                                               QStringLiteral("%1.points[%2]").arg(where).arg(i));
    }
    // The horizontal and vertical distance tools keep the second point on the
    // first point's row or column.
    if (mode == MeasureMode::kHorizontalLine) {
        params.points[1].y = params.points[0].y;
    } else if (mode == MeasureMode::kVerticalLine) {
        params.points[1].x = params.points[0].x;
    }

    if (entry.contains("text")) {
        params.text = StringAt(entry["text"], where + QStringLiteral(".text"));
        if (mode != MeasureMode::kText) {
            Fail(where + QStringLiteral(".text: only text notes (mode 121) have a text"));
        }
    }
    if (mode == MeasureMode::kText && params.text.isEmpty()) {
        Fail(where + QStringLiteral(".text: a text note needs a text"));
    }
    const int exportMark = entry.contains("mark")
                               ? IntegerAt(entry["mark"], where + QStringLiteral(".mark"), 0, 1)
                               : 0;

    params.markNumber = counters.TakeMarkNumber(mode);
    std::unique_ptr<CShape> shape = CreateShape(mode, params);
    CompleteShape(*shape, counters.TakeSerial());
    shape->exportMark = exportMark;
    measured.list.Add(std::move(shape));
    measured.pointSlots.push_back(std::move(pointSlots));
}

void AppendNumbers(QByteArray& out, const double* values, std::size_t count) {
    out.append('[');
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            out.append(", ");
        }
        AppendJsonNumber(out, values[i]);
    }
    out.append(']');
}

void AppendShape(QByteArray& out, const CShape& shape, const std::vector<int>& pointSlots) {
    out.append("{\"serial\": ");
    AppendJsonInteger(out, shape.serial);
    out.append(", \"kind\": ");
    AppendJsonInteger(out, shape.kind);
    out.append(", \"class\": ");
    AppendJsonString(out, QLatin1String(shape.ClassName()));
    out.append(", \"points\": [");
    for (std::size_t i = 0; i < pointSlots.size(); ++i) {
        const ShapePoint& p = shape.points[pointSlots[i]];
        out.append(i > 0 ? ", [" : "[");
        AppendJsonNumber(out, p.x);
        out.append(", ");
        AppendJsonNumber(out, p.y);
        out.append(']');
    }
    out.append("], \"measure\": ");
    AppendNumbers(out, shape.measure.data(), shape.measure.size());
    out.append(", \"result\": ");
    AppendNumbers(out, shape.result.data(), shape.result.size());
    out.append(", \"text\": ");
    AppendJsonString(out, shape.text);
    out.append(", \"mark\": ");
    AppendJsonInteger(out, shape.exportMark);
    out.append(", \"labels\": [");
    const std::vector<CShapeLabel> labels = shape.Labels(CDrawParams{});
    for (std::size_t i = 0; i < labels.size(); ++i) {
        out.append(i > 0 ? ", {\"text\": " : "{\"text\": ");
        AppendJsonString(out, labels[i].text);
        out.append(", \"x\": ");
        AppendJsonInteger(out, labels[i].x);
        out.append(", \"y\": ");
        AppendJsonInteger(out, labels[i].y);
        out.append('}');
    }
    out.append("]}");
}

QByteArray Report(const CMeasuredShapes& measured, int decimals) {
    QByteArray out("{\n  \"shapes\": [");
    for (std::size_t i = 0; i < measured.list.Count(); ++i) {
        out.append(i > 0 ? ",\n    " : "\n    ");
        AppendShape(out, measured.list.At(i), measured.pointSlots[i]);
    }
    out.append(measured.list.IsEmpty() ? "],\n" : "\n  ],\n");
    // The measurement list as the results pane shows it.
    std::vector<const CShape*> shapes;
    for (const auto& shape : measured.list.Shapes()) {
        shapes.push_back(shape.get());
    }
    const QStringList rows = FlattenResultRows(StillResultRows(shapes, CurrentResultFormat()));
    out.append("  \"results\": [");
    for (qsizetype i = 0; i < rows.size(); ++i) {
        out.append(i > 0 ? ",\n    " : "\n    ");
        AppendJsonString(out, rows[i]);
    }
    out.append(rows.isEmpty() ? "],\n" : "\n  ],\n");
    out.append("  \"calibration\": {\"name\": ");
    AppendJsonString(out, g_calibration.selectedName);
    out.append(", \"unit\": ");
    AppendJsonString(out, g_calibration.unit);
    out.append(", \"factor\": ");
    AppendJsonNumber(out, g_calibration.unitFactor);
    out.append(", \"scale\": ");
    AppendJsonNumber(out, g_calibration.scale);
    out.append(", \"reference\": ");
    AppendJsonNumber(out, g_calibration.referenceLength);
    out.append(", \"last_line\": ");
    AppendJsonNumber(out, g_calibration.lastLineLength);
    out.append("},\n  \"decimals\": ");
    AppendJsonInteger(out, decimals);
    out.append("\n}\n");
    return out;
}

// Reads the picture file of the session. A picture that cannot be read leaves
// a warning and the session's size; one that is read gives the size, which a
// width or height given as well must match.
void ReadSessionPicture(const QString& path, bool sizeGiven, CSession& session) {
    QImageReader reader(path);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        session.warnings.append(
            QStringLiteral("cannot read the picture \"%1\": %2; using a blank picture of %3 × %4")
                .arg(path, reader.errorString())
                .arg(session.image.width)
                .arg(session.image.height));
        return;
    }
    if (sizeGiven && picture.size() != QSize(session.image.width, session.image.height)) {
        Fail(QStringLiteral("image: the picture \"%1\" is %2 × %3, not %4 × %5")
                 .arg(path)
                 .arg(picture.width())
                 .arg(picture.height())
                 .arg(session.image.width)
                 .arg(session.image.height));
    }
    session.image.width = picture.width();
    session.image.height = picture.height();
    session.image.picture = picture;
}

void ReadSession(const QByteArray& sessionJson, const QString& sessionFolder, CSession& out) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(sessionJson, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        Fail(QStringLiteral("malformed JSON at offset %1: %2")
                 .arg(parseError.offset)
                 .arg(parseError.errorString()));
    }
    if (!document.isObject()) {
        Fail(QStringLiteral("the session must be a JSON object"));
    }
    const QJsonObject session = document.object();
    CheckKeys(session, QStringLiteral("session"), {"calibration", "decimals", "image", "shapes"});

    if (session.contains("calibration")) {
        ApplySessionCalibration(ObjectAt(session["calibration"], QStringLiteral("calibration")),
                                sessionFolder);
    }
    out.decimals = g_parameters.measuredecimal;
    if (session.contains("decimals")) {
        out.decimals = IntegerAt(session["decimals"], QStringLiteral("decimals"), 0, kMaxDecimals);
    }
    g_parameters.measuredecimal = out.decimals;
    CSessionImage& image = out.image;
    if (session.contains("image")) {
        const QJsonObject object = ObjectAt(session["image"], QStringLiteral("image"));
        CheckKeys(object, QStringLiteral("image"), {"width", "height", "file"});
        if (object.contains("width")) {
            image.width =
                IntegerAt(object["width"], QStringLiteral("image.width"), 1, kMaxImageSide);
        }
        if (object.contains("height")) {
            image.height =
                IntegerAt(object["height"], QStringLiteral("image.height"), 1, kMaxImageSide);
        }
        if (object.contains("file")) {
            const QString file = StringAt(object["file"], QStringLiteral("image.file"));
            ReadSessionPicture(QDir(sessionFolder).absoluteFilePath(file),
                               object.contains("width") || object.contains("height"), out);
        }
    }

    if (session.contains("shapes")) {
        if (!session["shapes"].isArray()) {
            Fail(QStringLiteral("shapes: expected an array"));
        }
        const QJsonArray shapes = session["shapes"].toArray();
        CShapeCounters counters;
        for (qsizetype i = 0; i < shapes.size(); ++i) {
            const QString where = QStringLiteral("shapes[%1]").arg(i);
            AddShape(ObjectAt(shapes[i], where), where, image, counters, out.measured);
        }
    }
    for (const auto& shape : out.measured.list.Shapes()) {
        shape->ComputeResults();
    }
}

// Runs `command` on a session read from JSON; a problem with the session
// gives status 2 and its description.
template <typename Command>
CCliOutcome RunSession(const QByteArray& sessionJson, const QString& sessionFolder,
                       Command command) {
    CCliOutcome outcome;
    try {
        CSession session;
        ReadSession(sessionJson, sessionFolder, session);
        outcome.warnings = session.warnings;
        command(session, outcome);
    } catch (const CInputError& error) {
        outcome.exitStatus = 2;
        outcome.error = QString::fromStdString(error.what());
    }
    return outcome;
}

} // namespace

CCliOutcome RunMeasureSession(const QByteArray& sessionJson, const QString& sessionFolder) {
    return RunSession(sessionJson, sessionFolder, [](CSession& session, CCliOutcome& outcome) {
        outcome.output = Report(session.measured, session.decimals);
    });
}

CCliOutcome RunRenderSession(const QByteArray& sessionJson, const QString& sessionFolder,
                             const QString& picturePath) {
    return RunSession(
        sessionJson, sessionFolder, [&picturePath](CSession& session, CCliOutcome& outcome) {
            const CSessionImage& image = session.image;
            const QByteArray bmp =
                RenderShapesToBmp(session.measured.list, image.picture, image.width, image.height);
            if (bmp.isEmpty()) {
                outcome.exitStatus = 1;
                outcome.error = QStringLiteral("cannot make a picture of %1 × %2 pixels")
                                    .arg(image.width)
                                    .arg(image.height);
            } else if (!WriteFileWhole(picturePath, bmp)) {
                outcome.exitStatus = 1;
                outcome.error = QStringLiteral("cannot write \"%1\"").arg(picturePath);
            }
        });
}
