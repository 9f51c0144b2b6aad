#include "cli/CliStack.h"

#include "analysis/focus/FocusStack.h"
#include "analysis/focus/HeightColours.h"
#include "cli/CliInput.h"
#include "core/CliJson.h"
#include "core/FileWriting.h"
#include "framework/QImageDrawSurface.h"
#include "image/FloatTiff.h"
#include "image/ImagePath.h"

#include <cmath>
#include <malloc.h>
#include <optional>

#include <QFile>
#include <QFileInfo>

namespace {

std::filesystem::path FileSystemPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

struct CStackCommand {
    QStringList pictures;
    QString output;
    QString heightMap;
    CFocusOptions options;
    bool zStepGiven = false;
};

CStackCommand ParseArguments(const QStringList& arguments) {
    CStackCommand command;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (option == QStringLiteral("--no-align")) {
            command.options.align = false;
            continue;
        }
        if (!option.startsWith(QStringLiteral("--"))) {
            command.pictures << option;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            Fail(QStringLiteral("%1: needs a value").arg(option));
        }
        const QString& value = arguments[++i];
        if (option == QStringLiteral("--output")) {
            command.output = value;
        } else if (option == QStringLiteral("--height-map")) {
            command.heightMap = value;
        } else if (option == QStringLiteral("--z-step")) {
            bool ok = false;
            command.options.zStep = value.toDouble(&ok);
            if (!ok || !std::isfinite(command.options.zStep) || command.options.zStep <= 0) {
                Fail(QStringLiteral("--z-step: \"%1\" is not a number above 0").arg(value));
            }
            command.zStepGiven = true;
        } else if (option == QStringLiteral("--unit")) {
            if (value.trimmed().isEmpty()) {
                Fail(QStringLiteral("--unit: needs a unit"));
            }
            command.options.unit = value.toStdString();
        } else {
            Fail(QStringLiteral("stack: unknown option \"%1\"").arg(option));
        }
    }
    if (command.output.isEmpty()) {
        Fail(QStringLiteral("stack: --output is missing"));
    }
    if (command.zStepGiven != !command.options.unit.empty()) {
        Fail(QStringLiteral("--z-step and --unit go together"));
    }
    if (command.pictures.size() < 2) {
        Fail(QStringLiteral("stack: needs at least two pictures"));
    }
    return command;
}

// An output goes into an existing folder that can be written, is no folder
// itself and no file yet: a new picture never replaces one.
void CheckNew(const char* option, const QString& path) {
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (info.isDir() || !folder.isDir() || !folder.isWritable()) {
        Fail(QStringLiteral("%1: cannot write \"%2\"").arg(QLatin1String(option), path));
    }
    if (info.exists()) {
        Fail(QStringLiteral("%1: \"%2\" exists; a picture never replaces a file")
                 .arg(QLatin1String(option), path));
    }
}

ImageType PictureType(const char* option, const QString& path) {
    const std::optional<ImageType> type = ImageTypeForPath(FileSystemPath(path));
    if (!type || *type == ImageType::Unknown) {
        Fail(QStringLiteral("%1: \"%2\" is not a .bmp, .jpg, .png or .tif file")
                 .arg(QLatin1String(option), path));
    }
    return *type;
}

void CheckInput(const CStackCommand& command) {
    for (const QString& picture : command.pictures) {
        const QFileInfo info(picture);
        if (!info.isFile() || !info.isReadable()) {
            Fail(QStringLiteral("cannot read the picture \"%1\"").arg(picture));
        }
    }
    PictureType("--output", command.output);
    CheckNew("--output", command.output);
    if (!command.heightMap.isEmpty()) {
        PictureType("--height-map", command.heightMap);
        CheckNew("--height-map", command.heightMap);
        if (QFileInfo(command.heightMap).absoluteFilePath() ==
            QFileInfo(command.output).absoluteFilePath()) {
            Fail(QStringLiteral("--height-map: \"%1\" is the output").arg(command.heightMap));
        }
    }
}

QByteArray Encoded(const CDib& picture, ImageType type, const char* option) {
    QByteArray bytes;
    if (!EncodeNewPicture(picture, type, bytes)) {
        Fail(QStringLiteral("%1: %2").arg(QLatin1String(option),
                                          QString::fromStdString(picture.LastError())));
    }
    return bytes;
}

// The false-colour map with its legend drawn beside it.
CDib ColouredHeights(const CHeightMap& map) {
    CDib drawn = HeightMapPicture(map, QImageSurfaceFactory());
    if (!drawn.IsValid()) {
        Fail(QStringLiteral("--height-map: cannot make a picture of %1 × %2 pixels")
                 .arg(map.width + HeightLegendWidth(map.height))
                 .arg(map.height));
    }
    return drawn;
}

QByteArray StackJson(const CStackCommand& command, const CFocusStackResult& result) {
    QByteArray out("{");
    CJsonMembers members(out);
    members.Integer("slices", command.pictures.size())
        .Integer("width", result.picture.Width())
        .Integer("height", result.picture.Height());
    QByteArray alignments("[");
    for (std::size_t i = 0; i < result.alignments.size(); ++i) {
        const CSliceAlignment& a = result.alignments[i];
        alignments.append(i == 0 ? "\n  {" : ",\n  {");
        CJsonMembers entry(alignments);
        entry.String("file", command.pictures[static_cast<qsizetype>(i)])
            .Raw("aligned", a.aligned ? "true" : "false")
            .Number("dx", a.dx)
            .Number("dy", a.dy)
            .Number("angle", a.angleDegrees)
            .Number("scale", a.scale);
        if (!a.note.empty()) {
            entry.String("note", QString::fromStdString(a.note));
        }
        alignments.append("}");
    }
    alignments.append("\n]");
    members.Raw("alignments", alignments);
    const CHeightMap& map = result.heights;
    QByteArray range("{");
    CJsonMembers(range)
        .Number("low", map.low)
        .Number("high", map.high)
        .String("unit",
                map.unit.empty() ? QStringLiteral("slices") : QString::fromStdString(map.unit));
    range.append("}");
    members.Raw("heightRange", range);
    std::size_t unknown = 0;
    for (const float h : map.heights) {
        unknown += std::isnan(h) ? 1 : 0;
    }
    members.Number("unknownFraction",
                   map.heights.empty()
                       ? 1.0
                       : static_cast<double>(unknown) / static_cast<double>(map.heights.size()));
    out.append("}\n");
    return out;
}

} // namespace

CCliOutcome RunStackCommand(const QStringList& arguments) {
    // The stack allocates and frees picture-sized buffers for every slice;
    // kept in the heap instead of mapped afresh each time, they are not
    // faulted in page by page again and again.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    CCliOutcome outcome;
    try {
        const CStackCommand command = ParseArguments(arguments);
        CheckInput(command);
        std::vector<std::filesystem::path> files;
        for (const QString& picture : command.pictures) {
            files.push_back(FileSystemPath(picture));
        }
        const CFocusStackResult result = FocusStackFiles(files, command.options);
        if (!result.error.empty()) {
            Fail(QString::fromStdString(result.error));
        }
        const QByteArray merged =
            Encoded(result.picture, PictureType("--output", command.output), "--output");
        QByteArray coloured;
        const bool floatMap = !command.heightMap.isEmpty() &&
                              PictureType("--height-map", command.heightMap) == ImageType::Tiff;
        if (!command.heightMap.isEmpty() && !floatMap) {
            coloured = Encoded(ColouredHeights(result.heights),
                               PictureType("--height-map", command.heightMap), "--height-map");
        }
        if (!WriteNewFileWhole(command.output, merged)) {
            outcome.exitStatus = 1;
            outcome.error = QStringLiteral("cannot write \"%1\"").arg(command.output);
            return outcome;
        }
        if (!command.heightMap.isEmpty()) {
            std::string error;
            const bool written =
                floatMap ? WriteFloatTiff(FileSystemPath(command.heightMap), result.heights.width,
                                          result.heights.height, result.heights.heights.data(),
                                          result.picture.Scale(), error)
                         : WriteNewFileWhole(command.heightMap, coloured);
            if (!written) {
                QFile::remove(command.output);
                outcome.exitStatus = 1;
                outcome.error = QStringLiteral("cannot write \"%1\"").arg(command.heightMap);
                return outcome;
            }
        }
        outcome.output = StackJson(command, result);
    } catch (const CInputError& error) {
        outcome.exitStatus = 2;
        outcome.error = QString::fromStdString(error.what());
    }
    return outcome;
}
