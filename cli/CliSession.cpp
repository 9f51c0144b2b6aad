#include "cli/CliSession.h"

#include "calibration/Calibration.h"
#include "calibration/CalibrationFiles.h"
#include "camera/LiveDrawing.h"
#include "cli/CliInput.h"
#include "cli/CliRender.h"
#include "cli/CliShapes.h"
#include "core/CliJson.h"
#include "core/Parameters.h"
#include "document/MeasureSession.h"
#include "document/PictureCalibration.h"
#include "document/SessionFiles.h"
#include "image/Dib.h"
#include "reports/CsvReport.h"
#include "reports/ReportFiles.h"
#include "reports/ResultRows.h"
#include "shapes/ShapeList.h"

#include <filesystem>
#include <vector>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr int kMaxImageSide = 1 << 20;
// The view zooms from 0.3 to 1.8.
constexpr double kMinZoom = 0.3;
constexpr double kMaxZoom = 1.8;

void ApplySessionCalibration(const QJsonObject& calibration, const QString& sessionFolder) {
    const QString where = QStringLiteral("calibration");
    CheckKeys(calibration, where, {"unit", "scale", "store", "name"});
    const bool byValues = calibration.contains("unit") || calibration.contains("scale");
    // A saved session gives the values with the name they were shown under.
    const bool namedValues = calibration.contains("unit") && calibration.contains("scale") &&
                             !calibration.contains("store");
    if (byValues &&
        (calibration.contains("store") || (calibration.contains("name") && !namedValues))) {
        Fail(where + QStringLiteral(": give either unit and scale (with the name they were "
                                    "saved under), or a stored name"));
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
        if (calibration.contains("name")) {
            g_calibration.selectedName =
                StringAt(calibration["name"], where + QStringLiteral(".name"));
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

// A session read and measured: its shapes with their results, the decimals
// (also made the measure decimals setting, which the labels use) and the
// warnings of problems that did not stop it.
struct CSession {
    CSessionShapes shapes;
    int decimals = 0;
    QStringList warnings;
};

QByteArray Report(const CSessionShapes& shapes, int decimals) {
    const CShapeList& list = shapes.Shapes();
    QByteArray out("{\n  \"shapes\": [");
    for (std::size_t i = 0; i < list.Count(); ++i) {
        out.append(i > 0 ? ",\n    " : "\n    ");
        AppendShape(out, list.At(i), shapes.SlotsOf(i));
    }
    out.append(list.IsEmpty() ? "],\n" : "\n  ],\n");
    // The measurement list as the results pane shows it.
    std::vector<const CShape*> listed;
    for (const auto& shape : list.Shapes()) {
        listed.push_back(shape.get());
    }
    const QStringList rows = FlattenResultRows(StillResultRows(listed, CurrentResultFormat()));
    out.append("  \"results\": [");
    for (qsizetype i = 0; i < rows.size(); ++i) {
        out.append(i > 0 ? ",\n    " : "\n    ");
        AppendJsonString(out, rows[i]);
    }
    out.append(rows.isEmpty() ? "],\n" : "\n  ],\n");
    out.append("  \"calibration\": {");
    CJsonMembers(out)
        .String("name", g_calibration.selectedName)
        .String("unit", g_calibration.unit)
        .Number("factor", g_calibration.unitFactor)
        .Number("scale", g_calibration.scale)
        .Number("reference", g_calibration.referenceLength)
        .Number("last_line", g_calibration.lastLineLength);
    out.append("},\n  \"decimals\": ");
    AppendJsonInteger(out, decimals);
    out.append("\n}\n");
    return out;
}

std::filesystem::path FileSystemPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// Opens the picture file of the session with the application's own decoders.
// A picture that cannot be read stops the session: measuring on a blank
// picture instead would report success on a picture never read. One that is
// read gives the size, which a width or height given as well must match.
void ReadSessionPicture(const QString& path, bool sizeGiven, CSession& session) {
    CSessionShapes& shapes = session.shapes;
    CStillImageDocument& document = shapes.Document();
    if (!document.Open(FileSystemPath(path))) {
        Fail(QStringLiteral("image: cannot read the picture \"%1\": %2")
                 .arg(path, QString::fromStdString(document.LastError())));
    }
    if (sizeGiven && (document.ImageWidth() != shapes.ImageWidth() ||
                      document.ImageHeight() != shapes.ImageHeight())) {
        Fail(QStringLiteral("image: the picture \"%1\" is %2 × %3, not %4 × %5")
                 .arg(path)
                 .arg(document.ImageWidth())
                 .arg(document.ImageHeight())
                 .arg(shapes.ImageWidth())
                 .arg(shapes.ImageHeight()));
    }
    shapes.SetImageSize(document.ImageWidth(), document.ImageHeight());
}

// "image": a picture file, or an object with the size and perhaps the file.
void ReadSessionImage(const QJsonValue& value, const QString& sessionFolder, CSession& session) {
    const QString where = QStringLiteral("image");
    if (value.isString()) {
        ReadSessionPicture(QDir(sessionFolder).absoluteFilePath(value.toString()), false, session);
        return;
    }
    if (!value.isObject()) {
        Fail(where + QStringLiteral(": expected a picture file or an object"));
    }
    const QJsonObject object = value.toObject();
    CheckKeys(object, where, {"width", "height", "file", "sha256"});
    QByteArray sha256;
    if (object.contains("sha256")) {
        const QString hex = StringAt(object["sha256"], QStringLiteral("image.sha256"));
        sha256 = QByteArray::fromHex(hex.toLatin1());
        if (hex.size() != 64 || sha256.toHex() != hex.toLatin1().toLower()) {
            Fail(QStringLiteral("image.sha256: expected 64 hexadecimal digits"));
        }
    }
    int width = session.shapes.ImageWidth();
    int height = session.shapes.ImageHeight();
    if (object.contains("width")) {
        width = IntegerAt(object["width"], QStringLiteral("image.width"), 1, kMaxImageSide);
    }
    if (object.contains("height")) {
        height = IntegerAt(object["height"], QStringLiteral("image.height"), 1, kMaxImageSide);
    }
    session.shapes.SetImageSize(width, height);
    if (object.contains("file")) {
        const QString file = StringAt(object["file"], QStringLiteral("image.file"));
        const QString path = QDir(sessionFolder).absoluteFilePath(file);
        ReadSessionPicture(path, object.contains("width") || object.contains("height"), session);
        if (!sha256.isEmpty() && FileSha256(path, nullptr) != sha256) {
            session.warnings.append(QStringLiteral(
                "image.sha256: the picture was changed after its measurements were saved"));
        }
    }
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
    CheckKeys(
        session, QStringLiteral("session"),
        {"version", "calibration", "decimals", "image", "zoom", "shapes", "actions", "scale_bar"});
    if (session.contains("version")) {
        const QJsonValue version = session["version"];
        if (version.isDouble() && version.toDouble() > kMeasureSessionVersion) {
            Fail(QStringLiteral("version: the session was made by a newer version (%1)")
                     .arg(version.toDouble()));
        }
        IntegerAt(version, QStringLiteral("version"), 1, kMeasureSessionVersion);
    }

    if (session.contains("calibration")) {
        ApplySessionCalibration(ObjectAt(session["calibration"], QStringLiteral("calibration")),
                                sessionFolder);
    }
    out.decimals = g_parameters.measuredecimal;
    if (session.contains("decimals")) {
        out.decimals = IntegerAt(session["decimals"], QStringLiteral("decimals"), 0, kMaxDecimals);
    }
    g_parameters.measuredecimal = out.decimals;
    if (session.contains("scale_bar")) {
        if (!session["scale_bar"].isBool()) {
            Fail(QStringLiteral("scale_bar: expected true or false"));
        }
        g_parameters.scalebar = session["scale_bar"].toBool() ? 1 : 0;
    }
    if (session.contains("image")) {
        ReadSessionImage(session["image"], sessionFolder, out);
        // A session that names no calibration measures a picture with the
        // scale its file carries, as the application offers to.
        const std::optional<CPictureScale>& own = out.shapes.Document().FileScale();
        if (!session.contains("calibration") && own) {
            UsePictureScale(*own);
        }
    }
    double zoom = 1.0;
    if (session.contains("zoom")) {
        zoom = NumberAt(session["zoom"], QStringLiteral("zoom"));
        if (!(zoom >= kMinZoom && zoom <= kMaxZoom)) {
            Fail(QStringLiteral("zoom: the view zooms from 0.3 to 1.8"));
        }
    }

    if (session.contains("shapes")) {
        if (!session["shapes"].isArray()) {
            Fail(QStringLiteral("shapes: expected an array"));
        }
        const QJsonArray shapes = session["shapes"].toArray();
        for (qsizetype i = 0; i < shapes.size(); ++i) {
            const QString where = QStringLiteral("shapes[%1]").arg(i);
            out.shapes.AddDirect(ObjectAt(shapes[i], where), where);
        }
    }
    if (session.contains("actions")) {
        if (!session["actions"].isArray()) {
            Fail(QStringLiteral("actions: expected an array"));
        }
        out.shapes.RunActions(session["actions"].toArray(), zoom, out.warnings);
    }
    for (const auto& shape : out.shapes.Shapes().Shapes()) {
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

// Writes the picture with its shapes burned in, as Save does.
void SaveSessionPicture(CSession& session, const QString& savePath, CCliOutcome& outcome) {
    CStillImageDocument& document = session.shapes.Document();
    if (!document.HasPicture()) {
        outcome.exitStatus = 2;
        outcome.error = QStringLiteral("--save: the session has no picture to save");
        return;
    }
    switch (document.WriteTo(FileSystemPath(savePath))) {
    case PictureWriteResult::Written:
        return;
    case PictureWriteResult::BadExtension:
        outcome.exitStatus = 2;
        outcome.error =
            QStringLiteral("--save: \"%1\" is not a .bmp, .jpg, .jpeg, .tif, .tiff or .png file")
                .arg(savePath);
        return;
    default:
        outcome.exitStatus = 1;
        outcome.error = QStringLiteral("cannot write \"%1\": %2")
                            .arg(savePath, QString::fromStdString(document.LastError()));
        return;
    }
}

// Writes every shape's results as comma-separated values, as Export to CSV
// does; a CSV file holds no picture.
void WriteSessionCsv(const CStillImageDocument& document, const CMeasureOutputs& outputs,
                     CCliOutcome& outcome) {
    if (outputs.reportPicture) {
        outcome.exitStatus = 2;
        outcome.error = QStringLiteral("--picture: a CSV report holds no picture");
        return;
    }
    std::vector<const CShape*> shapes;
    for (const auto& shape : document.Shapes().Shapes()) {
        shapes.push_back(shape.get());
    }
    const CResultFormat format = CurrentResultFormat();
    if (!WriteCsvReport(outputs.reportPath, StillResultValues(shapes, format), format)) {
        outcome.exitStatus = 2;
        outcome.error = QStringLiteral("--report: cannot write \"%1\"").arg(outputs.reportPath);
    }
}

// Writes the report of every shape, as an export of all does: every shape
// is marked, and the picture shows them all.
void WriteSessionReport(CSession& session, const CMeasureOutputs& outputs, CCliOutcome& outcome) {
    const auto fail = [&outcome](const QString& message) {
        outcome.exitStatus = 2;
        outcome.error = QStringLiteral("--report: ") + message;
    };
    const bool csv = outputs.reportPath.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    if (!csv && !ReportFileKindOf(outputs.reportPath)) {
        fail(QStringLiteral("\"%1\" is not a .xlsx, .xls, .docx, .doc or .csv file")
                 .arg(outputs.reportPath));
        return;
    }
    CStillImageDocument& document = session.shapes.Document();
    if (document.Shapes().IsEmpty()) {
        fail(QStringLiteral("the session has no shapes to report"));
        return;
    }
    if (csv) {
        WriteSessionCsv(document, outputs, outcome);
        return;
    }
    document.MarkAllShapesForExport();
    CReportInput input = CurrentReportInput(ReportSource::Still);
    input.texts = {outputs.title, outputs.company, outputs.author};
    std::vector<const CShape*> shapes;
    for (const auto& shape : document.Shapes().Shapes()) {
        shapes.push_back(shape.get());
    }
    input.items = StillReportItems(shapes);
    input.picture = outputs.reportPicture;
    CDib picture;
    if (input.picture) {
        if (!document.HasPicture()) {
            fail(QStringLiteral("--picture: the session has no picture"));
            return;
        }
        if (document.MakeExportPicture(CPictureExportOptions{1, true}, picture) !=
            PictureWriteResult::Written) {
            fail(QStringLiteral("the picture for the report could not be made"));
            return;
        }
    }
    const QString error =
        WriteReportFile(outputs.reportPath, input, input.picture ? &picture : nullptr);
    if (!error.isEmpty()) {
        fail(error);
    }
}

} // namespace

CCliOutcome RunMeasureSession(const QByteArray& sessionJson, const QString& sessionFolder,
                              const CMeasureOutputs& outputs) {
    return RunSession(sessionJson, sessionFolder,
                      [&outputs](CSession& session, CCliOutcome& outcome) {
                          const QByteArray report = Report(session.shapes, session.decimals);
                          if (!outputs.savePath.isEmpty()) {
                              SaveSessionPicture(session, outputs.savePath, outcome);
                          }
                          if (outcome.exitStatus == 0 && !outputs.reportPath.isEmpty()) {
                              WriteSessionReport(session, outputs, outcome);
                          }
                          if (outcome.exitStatus == 0) {
                              outcome.output = report;
                          }
                      });
}

CCliOutcome RunRenderSession(const QByteArray& sessionJson, const QString& sessionFolder,
                             const QString& picturePath) {
    return RunSession(
        sessionJson, sessionFolder, [&picturePath](CSession& session, CCliOutcome& outcome) {
            CSessionShapes& shapes = session.shapes;
            if (!RenderSessionPicture(shapes.Document(), shapes.ImageWidth(), shapes.ImageHeight(),
                                      FileSystemPath(picturePath), outcome.error)) {
                outcome.exitStatus = 1;
            }
        });
}

CCliOutcome ReadLiveSessionShapes(const QByteArray& sessionJson, const QString& sessionFolder,
                                  std::vector<CVideoShap>& shapes) {
    shapes.clear();
    return RunSession(
        sessionJson, sessionFolder, [&shapes](CSession& session, CCliOutcome& outcome) {
            const CShapeList& list = session.shapes.Shapes();
            for (std::size_t i = 0; i < list.Count(); ++i) {
                if (auto live = LiveShapeOf(list.At(i))) {
                    shapes.push_back(std::move(*live));
                } else {
                    outcome.warnings << QStringLiteral("shapes: the %1 shape %2 is not drawn live")
                                            .arg(QString::fromLatin1(list.At(i).ClassName()))
                                            .arg(i);
                }
            }
        });
}
