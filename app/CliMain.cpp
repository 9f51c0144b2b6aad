#include "app/CliSession.h"
#include "app/Folders.h"
#include "app/Parameters.h"

#include <cstdio>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int kBadInput = 2;

const char kUsage[] = "usage: marnelo-cli measure SESSION.json\n"
                      "  Measures the shapes of a session and writes the results as JSON to\n"
                      "  standard output. SESSION.json may be - for standard input.\n";

int Failure(QString message) {
    // One line on standard error, whatever the message holds.
    message.replace(u'\n', u' ').replace(u'\r', u' ');
    std::fprintf(stderr, "marnelo-cli: %s\n", message.toUtf8().constData());
    return kBadInput;
}

int Measure(const QString& sessionPath) {
    QFile file;
    QString sessionFolder = QStringLiteral(".");
    bool opened = false;
    if (sessionPath == QStringLiteral("-")) {
        opened = file.open(stdin, QIODevice::ReadOnly);
    } else {
        if (QFileInfo(sessionPath).isDir()) {
            return Failure(QStringLiteral("cannot read \"%1\": it is a folder").arg(sessionPath));
        }
        file.setFileName(sessionPath);
        sessionFolder = QFileInfo(sessionPath).absolutePath();
        opened = file.open(QIODevice::ReadOnly);
    }
    if (!opened) {
        return Failure(
            QStringLiteral("cannot read \"%1\": %2").arg(sessionPath, file.errorString()));
    }
    const QByteArray session = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return Failure(
            QStringLiteral("cannot read \"%1\": %2").arg(sessionPath, file.errorString()));
    }

    const CCliOutcome outcome = RunMeasureSession(session, sessionFolder);
    if (outcome.exitStatus != 0) {
        return Failure(outcome.error);
    }
    if (std::fwrite(outcome.output.constData(), 1, outcome.output.size(), stdout) !=
            static_cast<std::size_t>(outcome.output.size()) ||
        std::fflush(stdout) != 0) {
        std::fprintf(stderr, "marnelo-cli: cannot write the results\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 2 &&
        (arguments[1] == QStringLiteral("--help") || arguments[1] == QStringLiteral("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (arguments.size() != 3 || arguments[1] != QStringLiteral("measure")) {
        std::fputs(kUsage, stderr);
        return kBadInput;
    }
    g_folders.programFolder = DetermineProgramFolder();
    LoadParameters();
    return Measure(arguments[2]);
}
