#pragma once

#include <QString>
#include <QStringList>

// The command line of marnelo: pictures to open, or a request for the usage
// or the version. Qt's own options (-platform, -style, ...) are taken out by
// the application object before the final parse.

enum class StartupAction { Run, Help, Version, Error };

struct CStartupArguments {
    StartupAction action = StartupAction::Run;
    QStringList pictures; // absolute paths, in the order given
    QString error;        // for Error: one line naming the problem
};

// `arguments` without the program name. -h/--help wins over --version, and
// both over everything else; "--" ends the options, so a picture may be named
// "-x.bmp". Relative picture paths are taken from the current folder.
CStartupArguments ParseStartupArguments(const QStringList& arguments);

// The texts printed for --help and --version, each ending in a newline.
QString StartupUsage();
QString VersionText(const QString& programName);
