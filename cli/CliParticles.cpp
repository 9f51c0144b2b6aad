#include "cli/CliParticles.h"

#include "analysis/particles/ParticleCsv.h"
#include "analysis/particles/ParticleJson.h"
#include "analysis/particles/ParticleShape.h"
#include "analysis/particles/ParticleStats.h"
#include "calibration/Calibration.h"
#include "calibration/CalibrationFiles.h"
#include "cli/CliInput.h"
#include "cli/CliParticleReport.h"
#include "core/CliJson.h"
#include "core/FileWriting.h"
#include "core/Parameters.h"
#include "framework/QImageDrawSurface.h"
#include "image/ImagePath.h"

#include <cmath>
#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

std::filesystem::path FileSystemPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

struct CParticleCommand {
    QString picture;
    CParticleOptions options;
    CParticleScale scale;
    std::optional<double> pixelsPerUnit;
    QString unit;
    QString calibration;
    QString csvPath;
    QString reportPath;
    QString savePath;
};

const char* const kQuantityKeys[kParticleQuantityCount] = {
    "area", "perimeter", "feret", "min_feret", "feret_angle", "circularity"};

double NumberOption(const QString& option, const QString& value, double low) {
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number) || number < low) {
        Fail(QStringLiteral("%1: \"%2\" is not a number of at least %3")
                 .arg(option, value)
                 .arg(low));
    }
    return number;
}

int WholeOption(const QString& option, const QString& value, int low, int high) {
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok || number < low || number > high) {
        Fail(QStringLiteral("%1: \"%2\" is not a whole number from %3 to %4")
                 .arg(option, value)
                 .arg(low)
                 .arg(high));
    }
    return number;
}

void ReadThreshold(const QString& value, CParticleOptions& options) {
    const QString name = value.toLower();
    if (name == QStringLiteral("otsu")) {
        options.method = ThresholdMethod::Otsu;
    } else if (name == QStringLiteral("triangle")) {
        options.method = ThresholdMethod::Triangle;
    } else if (name == QStringLiteral("default")) {
        options.method = ThresholdMethod::Default;
    } else {
        bool ok = false;
        const int level = value.toInt(&ok);
        if (!ok || level < 0 || level > 255) {
            Fail(QStringLiteral("--threshold: \"%1\" is neither otsu, triangle, default nor a grey "
                                "level from 0 to 255")
                     .arg(value));
        }
        options.method = ThresholdMethod::Manual;
        options.manualThreshold = level;
    }
}

CParticleCommand ParseArguments(const QStringList& arguments) {
    CParticleCommand command;
    if (arguments.isEmpty()) {
        Fail(QStringLiteral("particles: which picture?"));
    }
    command.picture = arguments[0];
    CParticleOptions& options = command.options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (option == QStringLiteral("--exclude-edges")) {
            options.excludeEdges = true;
            continue;
        }
        if (option == QStringLiteral("--fill-holes")) {
            options.fillHoles = true;
            continue;
        }
        if (option == QStringLiteral("--split")) {
            options.split = true;
            continue;
        }
        if (option == QStringLiteral("--imagej")) {
            options.measures = ParticleMeasures::ImageJ;
            continue;
        }
        if (!option.startsWith(QStringLiteral("--"))) {
            Fail(QStringLiteral("particles: unexpected argument \"%1\"").arg(option));
        }
        if (i + 1 >= arguments.size()) {
            Fail(QStringLiteral("%1: needs a value").arg(option));
        }
        const QString& value = arguments[++i];
        if (option == QStringLiteral("--objects")) {
            if (value != QStringLiteral("dark") && value != QStringLiteral("light")) {
                Fail(QStringLiteral("--objects: \"%1\" is neither dark nor light").arg(value));
            }
            options.objects =
                value == QStringLiteral("dark") ? ParticleObjects::Dark : ParticleObjects::Light;
        } else if (option == QStringLiteral("--threshold")) {
            ReadThreshold(value, options);
        } else if (option == QStringLiteral("--flatten")) {
            options.flattenRadius = WholeOption(option, value, 0, 10000);
        } else if (option == QStringLiteral("--min-area")) {
            options.minArea = NumberOption(option, value, 0);
        } else if (option == QStringLiteral("--max-area")) {
            options.maxArea = NumberOption(option, value, 0);
        } else if (option == QStringLiteral("--scale")) {
            command.pixelsPerUnit = NumberOption(option, value, 0);
            if (*command.pixelsPerUnit <= 0) {
                Fail(QStringLiteral("--scale: pixels per unit must be more than 0"));
            }
        } else if (option == QStringLiteral("--unit")) {
            command.unit = value;
        } else if (option == QStringLiteral("--calibration")) {
            command.calibration = value;
        } else if (option == QStringLiteral("--csv")) {
            command.csvPath = value;
        } else if (option == QStringLiteral("--report")) {
            command.reportPath = value;
        } else if (option == QStringLiteral("--save")) {
            command.savePath = value;
        } else {
            Fail(QStringLiteral("particles: unknown option \"%1\"").arg(option));
        }
    }
    if (options.minArea > options.maxArea) {
        Fail(QStringLiteral("--min-area %1 is more than --max-area %2")
                 .arg(options.minArea)
                 .arg(options.maxArea));
    }
    if (!command.calibration.isEmpty() && (command.pixelsPerUnit || !command.unit.isEmpty())) {
        Fail(QStringLiteral("--calibration: give either a calibration or --scale and --unit"));
    }
    if (command.pixelsPerUnit.has_value() != !command.unit.isEmpty()) {
        Fail(QStringLiteral("--scale and --unit go together"));
    }
    return command;
}

// The scale from --scale and --unit, or from a stored calibration.
CParticleScale ScaleOf(const CParticleCommand& command) {
    if (command.pixelsPerUnit) {
        const QString unit =
            command.unit == QStringLiteral("µm") ? QStringLiteral("um") : command.unit;
        if (!UnitFactorOf(unit)) {
            Fail(QStringLiteral("--unit: \"%1\" is not nm, um, µm, mm, cm or mil")
                     .arg(command.unit));
        }
        return CParticleScale{1.0 / *command.pixelsPerUnit, command.unit.toStdString()};
    }
    if (command.calibration.isEmpty()) {
        return {};
    }
    QString error;
    if (QFileInfo::exists(CalibrationStorePath()) &&
        !LoadCalibrationsFrom(CalibrationStorePath(), &error)) {
        Fail(QStringLiteral("--calibration: cannot read the calibrations: %1").arg(error));
    }
    for (const CCalibrationData& record : g_calibrationStore.records) {
        if (record.name.compare(command.calibration, Qt::CaseInsensitive) != 0) {
            continue;
        }
        const double scale = ParseLeadingNumber(record.ValueX);
        const std::optional<double> factor = UnitFactorOf(record.Unit);
        if (!factor || !(scale > 0)) {
            Fail(QStringLiteral("--calibration: \"%1\" has no usable scale").arg(record.name));
        }
        // The scale counts pixels per centimetre, the factor units per centimetre.
        return CParticleScale{*factor / scale, record.Unit.toStdString()};
    }
    Fail(QStringLiteral("--calibration: no calibration is named \"%1\"").arg(command.calibration));
}

// An output goes into an existing folder that can be written, and is no folder itself.
void CheckWritable(const char* option, const QString& path) {
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (info.isDir() || !folder.isDir() || !folder.isWritable()) {
        Fail(QStringLiteral("%1: cannot write \"%2\"").arg(QLatin1String(option), path));
    }
}

void CheckOutputs(const CParticleCommand& command) {
    if (!command.csvPath.isEmpty()) {
        CheckWritable("--csv", command.csvPath);
    }
    if (!command.reportPath.isEmpty()) {
        CheckWritable("--report", command.reportPath);
        if (!IsParticleReportPath(command.reportPath)) {
            Fail(QStringLiteral("--report: \"%1\" is not a .xlsx, .xls, .docx, .doc or .csv file")
                     .arg(command.reportPath));
        }
    }
    if (!command.savePath.isEmpty()) {
        CheckWritable("--save", command.savePath);
        const std::optional<ImageType> type = ImageTypeForPath(FileSystemPath(command.savePath));
        if (!type || *type == ImageType::Unknown) {
            Fail(QStringLiteral("--save: \"%1\" is not a .bmp, .jpg or .jpeg file")
                     .arg(command.savePath));
        }
        if (QFileInfo::exists(command.savePath)) {
            Fail(QStringLiteral("--save: \"%1\" exists; a picture never replaces a file")
                     .arg(command.savePath));
        }
    }
}

QByteArray ParticlesJson(const CParticleResult& result) {
    QByteArray out("{");
    CJsonMembers(out)
        .Integer("count", static_cast<long long>(result.particles.size()))
        .Integer("threshold", result.threshold)
        .String("unit",
                result.unit.empty() ? QStringLiteral("px") : QString::fromStdString(result.unit));
    out.append(", \"particles\": [");
    for (std::size_t i = 0; i < result.particles.size(); ++i) {
        out.append(i == 0 ? "\n  " : ",\n  ");
        AppendParticleJson(out, result.particles[i], false);
    }
    out.append(result.particles.empty() ? "], \"summary\": {" : "\n], \"summary\": {");
    const CParticleSummary summary = SummariseParticles(result);
    CJsonMembers members(out);
    members.Integer("count", summary.count);
    for (int q = 0; q < kParticleQuantityCount; ++q) {
        const CQuantityStats& stats = summary.stats[q];
        QByteArray entry("{");
        CJsonMembers(entry)
            .Number("mean", stats.mean)
            .Number("sd", stats.sd)
            .Number("min", stats.min)
            .Number("max", stats.max);
        entry.append("}");
        members.Raw(kQuantityKeys[q], entry);
    }
    members.Number("area_fraction", summary.areaFraction);
    out.append("}}\n");
    return out;
}

// The picture with every particle outlined and numbered in the drawing style.
QByteArray OutlinedPicture(const CDib& picture, const CParticleResult& result, ImageType type) {
    const std::unique_ptr<CDrawSurface> surface =
        QImageSurfaceFactory()(picture.Width(), picture.Height());
    if (!surface) {
        Fail(QStringLiteral("--save: cannot make a picture of %1 × %2 pixels")
                 .arg(picture.Width())
                 .arg(picture.Height()));
    }
    picture.Draw(surface->Context(), 0, 0, picture.Width(), picture.Height());
    CParticleStyle style;
    style.lineColor = static_cast<COLORREF>(g_parameters.linecolor);
    style.textColor = static_cast<COLORREF>(g_parameters.textcolor);
    style.penWidth = g_parameters.linewidth;
    DrawParticleOutlines(surface->Context(), result, style, 1.0);
    CDib outlined;
    QByteArray bytes;
    std::vector<std::uint8_t> encoded;
    if (!outlined.CreateFromSurface(surface->Pixels()) || !outlined.Encode(type, encoded)) {
        Fail(QStringLiteral("--save: %1").arg(QString::fromStdString(outlined.LastError())));
    }
    return QByteArray(reinterpret_cast<const char*>(encoded.data()),
                      static_cast<qsizetype>(encoded.size()));
}

} // namespace

CCliOutcome RunParticlesCommand(const QStringList& arguments) {
    CCliOutcome outcome;
    QStringList written;
    try {
        const CParticleCommand command = ParseArguments(arguments);
        CDib picture;
        const std::filesystem::path path = FileSystemPath(command.picture);
        if (!QFileInfo(command.picture).isFile() ||
            !picture.Load(path, ImageTypeForPath(path).value_or(ImageType::Unknown))) {
            Fail(QStringLiteral("cannot read the picture \"%1\"%2")
                     .arg(command.picture, picture.LastError().empty()
                                               ? QString()
                                               : QStringLiteral(": ") +
                                                     QString::fromStdString(picture.LastError())));
        }
        const CParticleScale scale = ScaleOf(command);
        CheckOutputs(command);
        const CParticleResult result = AnalyseParticles(picture, command.options, scale);
        QByteArray saved;
        if (!command.savePath.isEmpty()) {
            saved = OutlinedPicture(picture, result,
                                    *ImageTypeForPath(FileSystemPath(command.savePath)));
        }
        const auto fail = [&](const QString& path) {
            for (const QString& done : written) {
                QFile::remove(done);
            }
            Fail(QStringLiteral("cannot write \"%1\"").arg(path));
        };
        if (!command.csvPath.isEmpty()) {
            if (!WriteParticleCsv(command.csvPath, result)) {
                fail(command.csvPath);
            }
            written << command.csvPath;
        }
        if (!saved.isEmpty()) {
            if (!WriteNewFileWhole(command.savePath, saved)) {
                fail(command.savePath);
            }
            written << command.savePath;
        }
        if (!command.reportPath.isEmpty()) {
            const QString error = WriteParticleReport(command.reportPath, result, picture);
            if (!error.isEmpty()) {
                for (const QString& done : written) {
                    QFile::remove(done);
                }
                Fail(QStringLiteral("--report: %1").arg(error));
            }
        }
        outcome.output = ParticlesJson(result);
    } catch (const CInputError& error) {
        outcome.exitStatus = 2;
        outcome.error = QString::fromStdString(error.what());
    }
    return outcome;
}
