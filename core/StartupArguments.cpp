#include "core/StartupArguments.h"

#include <QFileInfo>

CStartupArguments ParseStartupArguments(const QStringList& arguments) {
    CStartupArguments parsed;
    bool optionsEnded = false;
    bool version = false;
    for (const QString& argument : arguments) {
        const bool option = !optionsEnded && argument.startsWith(u'-') && argument.size() > 1;
        if (!option) {
            parsed.pictures.append(QFileInfo(argument).absoluteFilePath());
        } else if (argument == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (argument == QStringLiteral("-h") || argument == QStringLiteral("--help")) {
            parsed.action = StartupAction::Help;
            return parsed;
        } else if (argument == QStringLiteral("--version")) {
            version = true;
        } else if (parsed.error.isEmpty()) {
            parsed.error = QStringLiteral("unknown option \"%1\"").arg(argument);
        }
    }
    if (version) {
        parsed.action = StartupAction::Version;
    } else if (!parsed.error.isEmpty()) {
        parsed.action = StartupAction::Error;
    }
    return parsed;
}

QString StartupUsage() {
    return QStringLiteral(
        "usage: marnelo [FILE...]\n"
        "Measures on microscope pictures and live camera video.\n"
        "  FILE         a BMP or JPEG picture to open, each in its own window\n"
        "  -h, --help   show this help and exit\n"
        "  --version    show the version and exit\n"
        "Environment: MARNELO_HOME names a folder that holds all of the program's\n"
        "files (a portable copy); MARNELO_NO_SPLASH starts without the splash picture.\n");
}

QString VersionText(const QString& programName) {
    return programName + QStringLiteral(" " MARNELO_VERSION "\n");
}
