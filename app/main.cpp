#include "app/CLOBRINApp.h"
#include "core/StartupArguments.h"

#include <cstdio>

namespace {

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

int main(int argc, char** argv) {
    // --help and --version answer before any window system is needed.
    QStringList raw;
    for (int i = 1; i < argc; ++i) {
        raw.append(QString::fromLocal8Bit(argv[i]));
    }
    const CStartupArguments early = ParseStartupArguments(raw);
    if (early.action == StartupAction::Help) {
        Print(stdout, StartupUsage());
        return 0;
    }
    if (early.action == StartupAction::Version) {
        Print(stdout, VersionText(QStringLiteral("marnelo")));
        return 0;
    }

    CLOBRINApp app(argc, argv);
    const CStartupArguments arguments = ParseStartupArguments(QCoreApplication::arguments().mid(1));
    if (arguments.action == StartupAction::Error) {
        Print(stderr, QStringLiteral("marnelo: %1\n").arg(arguments.error));
        Print(stderr, StartupUsage());
        return 2;
    }
    app.SetStartupPictures(arguments.pictures);
    if (!app.InitInstance()) {
        return 1;
    }
    const int result = app.exec();
    app.ExitInstance();
    return result;
}
