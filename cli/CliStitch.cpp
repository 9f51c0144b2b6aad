#include "cli/CliStitch.h"

#include "analysis/mosaic/Stitch.h"
#include "cli/CliInput.h"
#include "core/CliJson.h"
#include "image/ImagePath.h"

#include <QFile>
#include <QFileInfo>

namespace {

std::filesystem::path FileSystemPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

struct CStitchCommand {
    QString output;
    QString flatField;
    QStringList pictures;
};

CStitchCommand ParseArguments(const QStringList& arguments) {
    CStitchCommand command;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool takesValue =
            argument == QStringLiteral("--output") || argument == QStringLiteral("--flat-field");
        if (takesValue && i + 1 >= arguments.size()) {
            Fail(QStringLiteral("%1 needs a file").arg(argument));
        }
        if (argument == QStringLiteral("--output")) {
            command.output = arguments[++i];
        } else if (argument == QStringLiteral("--flat-field")) {
            command.flatField = arguments[++i];
        } else if (argument.startsWith(QStringLiteral("--"))) {
            Fail(QStringLiteral("unknown option %1").arg(argument));
        } else {
            command.pictures << argument;
        }
    }
    if (command.output.isEmpty()) {
        Fail(QStringLiteral("stitch needs --output OUT.tif|.png|.jpg|.bmp"));
    }
    if (command.pictures.size() < 2) {
        Fail(QStringLiteral("stitch needs at least two pictures"));
    }
    return command;
}

// Everything that can be known about the output before the long work.
void CheckOutput(const QString& output) {
    const std::optional<ImageType> type = ImageTypeForPath(FileSystemPath(output));
    if (type != ImageType::Tiff && type != ImageType::Png && type != ImageType::Jpeg &&
        type != ImageType::Bmp) {
        Fail(QStringLiteral("%1: a mosaic is written as .tif, .png, .jpg or .bmp").arg(output));
    }
    const QFileInfo info(output);
    if (info.exists()) {
        Fail(QStringLiteral("%1 already exists").arg(output));
    }
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir() || !folder.isWritable()) {
        Fail(QStringLiteral("%1 cannot be written").arg(output));
    }
}

void CheckReadable(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        Fail(QStringLiteral("cannot read %1").arg(path));
    }
}

QByteArray MosaicJson(const CStitchPlan& plan, const QStringList& pictures) {
    QByteArray tiles = "[";
    for (std::size_t i = 0; i < plan.tiles.size(); ++i) {
        const CTilePlacement& tile = plan.tiles[i];
        tiles += i == 0 ? "{" : ", {";
        CJsonMembers(tiles)
            .String("file", pictures[static_cast<qsizetype>(i)])
            .Number("x", tile.x)
            .Number("y", tile.y)
            .Raw("placed", tile.placed ? "true" : "false");
        tiles += "}";
    }
    tiles += "]";
    QByteArray out = "{";
    CJsonMembers(out)
        .Integer("width", plan.width)
        .Integer("height", plan.height)
        .Raw("tiles", tiles);
    out += "}\n";
    return out;
}

} // namespace

CCliOutcome RunStitchCommand(const QStringList& arguments) {
    CCliOutcome outcome;
    try {
        const CStitchCommand command = ParseArguments(arguments);
        CheckOutput(command.output);
        std::vector<std::filesystem::path> pictures;
        for (const QString& picture : command.pictures) {
            CheckReadable(picture);
            pictures.push_back(FileSystemPath(picture));
        }
        CStitchOptions options;
        if (!command.flatField.isEmpty()) {
            CheckReadable(command.flatField);
            options.flatField = FileSystemPath(command.flatField);
        }
        const CStitchResult result = PlanMosaic(pictures, options);
        if (!result.error.empty()) {
            // Pictures that all load but never overlap are no input fault.
            const bool loaded = result.plan.tileWidth > 0;
            outcome.exitStatus = loaded ? 1 : 2;
            outcome.error = QString::fromStdString(result.error);
            return outcome;
        }
        for (std::size_t i = 0; i < result.plan.tiles.size(); ++i) {
            if (!result.plan.tiles[i].placed) {
                outcome.warnings << QStringLiteral(
                                        "%1 overlaps none of the other pictures; left out")
                                        .arg(command.pictures[static_cast<qsizetype>(i)]);
            }
        }
        std::string error;
        if (!WriteMosaic(result.plan, FileSystemPath(command.output), {}, error)) {
            outcome.exitStatus = 1;
            outcome.error = QString::fromStdString(error);
            return outcome;
        }
        outcome.output = MosaicJson(result.plan, command.pictures);
    } catch (const CInputError& error) {
        outcome.exitStatus = 2;
        outcome.error = QString::fromStdString(error.what());
    }
    return outcome;
}
