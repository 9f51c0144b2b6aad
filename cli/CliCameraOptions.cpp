#include "cli/CliCameraOptions.h"

#include <QRegularExpression>

namespace {

// The options every camera command has; Unknown for the others.
COptionResult CameraOption(const QString& option, const QString& value, CCameraOptions& options) {
    if (option == QStringLiteral("--device")) {
        options.device = value;
        return COptionResult::Taken;
    }
    if (option != QStringLiteral("--size")) {
        return COptionResult::Unknown;
    }
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$")).match(value);
    if (!match.hasMatch()) {
        return COptionResult::Bad;
    }
    options.size = {match.captured(1).toInt(), match.captured(2).toInt()};
    return COptionResult::Taken;
}

} // namespace

bool ParseCameraOptions(const QStringList& arguments, CCameraOptions& options,
                        const COptionHandler& command, QString& error) {
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!argument.startsWith(QStringLiteral("--"))) {
            if (!options.out.isEmpty()) {
                error = QStringLiteral("more than one output file");
                return false;
            }
            options.out = argument;
            continue;
        }
        if (argument == QStringLiteral("--mirror") || argument == QStringLiteral("--rotate")) {
            (argument == QStringLiteral("--mirror") ? options.mirror : options.rotate) = true;
            continue;
        }
        COptionResult result = command(argument, nullptr, error);
        if (result == COptionResult::Bad) {
            return false;
        }
        if (result == COptionResult::Taken) {
            continue;
        }
        if (i + 1 >= arguments.size()) {
            error = QStringLiteral("%1 needs a value").arg(argument);
            return false;
        }
        const QString& value = arguments[++i];
        result = CameraOption(argument, value, options);
        if (result == COptionResult::Unknown) {
            result = command(argument, &value, error);
        }
        if (result == COptionResult::Unknown) {
            error = QStringLiteral("unknown option %1").arg(argument);
            return false;
        }
        if (result == COptionResult::Bad) {
            if (error.isEmpty()) {
                error = QStringLiteral("bad value for %1: %2").arg(argument, value);
            }
            return false;
        }
    }
    if (options.out.isEmpty()) {
        error = QStringLiteral("no output file given");
        return false;
    }
    return true;
}
