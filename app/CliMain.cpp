#include "app/CliCamera.h"
#include "app/CliSession.h"
#include "app/Folders.h"
#include "app/Parameters.h"
#include "camera/CaptureSession.h"
#include "camera/v4l2/V4l2Backend.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

namespace {

constexpr int kBadInput = 2;

const char kUsage[] =
    "usage: marnelo-cli measure SESSION.json [--save OUT.bmp|OUT.jpg]\n"
    "       marnelo-cli render SESSION.json PICTURE.bmp\n"
    "       marnelo-cli devices\n"
    "       marnelo-cli snapshot OUT.bmp|OUT.jpg [--device ID|NAME] [--size WxH]\n"
    "                  [--format FOURCC] [--count N --interval SECONDS]\n"
    "  measure: measures the shapes of a session and writes the results and\n"
    "           labels as JSON to standard output; --save also writes the\n"
    "           session's picture with the shapes burned in, as Save does.\n"
    "  render:  draws the shapes with their labels on the session's picture\n"
    "           (or a white one) and writes it as a 24-bit BMP.\n"
    "  devices:  lists the cameras (the virtual microscope included) with\n"
    "           their formats, sizes and frame rates as JSON.\n"
    "  snapshot: takes a picture from a camera (default: the first listed);\n"
    "           --count takes N pictures OUT-0001... spaced by --interval.\n"
    "           An existing file is never replaced.\n"
    "  SESSION.json may be - for standard input.\n";

// One line on standard error, whatever the message holds.
void Complain(QString message) {
    message.replace(u'\n', u' ').replace(u'\r', u' ');
    std::fprintf(stderr, "marnelo-cli: %s\n", message.toUtf8().constData());
}

int Failure(const QString& message, int status = kBadInput) {
    Complain(message);
    return status;
}

// Reads the session file (or standard input for "-"); false after complaining.
bool ReadSession(const QString& sessionPath, QByteArray& session, QString& sessionFolder) {
    QFile file;
    sessionFolder = QStringLiteral(".");
    bool opened = false;
    if (sessionPath == QStringLiteral("-")) {
        opened = file.open(stdin, QIODevice::ReadOnly);
    } else {
        if (QFileInfo(sessionPath).isDir()) {
            Complain(QStringLiteral("cannot read \"%1\": it is a folder").arg(sessionPath));
            return false;
        }
        file.setFileName(sessionPath);
        sessionFolder = QFileInfo(sessionPath).absolutePath();
        opened = file.open(QIODevice::ReadOnly);
    }
    if (opened) {
        session = file.readAll();
    }
    if (!opened || file.error() != QFileDevice::NoError) {
        Complain(QStringLiteral("cannot read \"%1\": %2").arg(sessionPath, file.errorString()));
        return false;
    }
    return true;
}

int Finish(const CCliOutcome& outcome) {
    for (const QString& warning : outcome.warnings) {
        Complain(warning);
    }
    if (outcome.exitStatus != 0) {
        return Failure(outcome.error, outcome.exitStatus);
    }
    if (std::fwrite(outcome.output.constData(), 1, outcome.output.size(), stdout) !=
            static_cast<std::size_t>(outcome.output.size()) ||
        std::fflush(stdout) != 0) {
        return Failure(QStringLiteral("cannot write the results"), 1);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Drawing labels needs fonts, hence a GUI application; it never shows a
    // window.
    const bool render = argc > 1 && std::strcmp(argv[1], "render") == 0;
    const bool save = argc == 5 && std::strcmp(argv[3], "--save") == 0;
    std::unique_ptr<QCoreApplication> app;
    if (render || save) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 2 &&
        (arguments[1] == QStringLiteral("--help") || arguments[1] == QStringLiteral("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (arguments.value(1) == QStringLiteral("devices") ||
        arguments.value(1) == QStringLiteral("snapshot")) {
        if (arguments.value(1) == QStringLiteral("devices") && arguments.size() != 2) {
            std::fputs(kUsage, stderr);
            return kBadInput;
        }
        g_folders.programFolder = DetermineProgramFolder();
        LoadParameters();
        AddCaptureBackend(std::make_unique<CV4l2Backend>());
        return Finish(arguments.value(1) == QStringLiteral("devices")
                          ? RunDevicesCommand()
                          : RunSnapshotCommand(arguments.mid(2)));
    }
    const bool measure = arguments.value(1) == QStringLiteral("measure") &&
                         (arguments.size() == 3 ||
                          (arguments.size() == 5 && arguments[3] == QStringLiteral("--save")));
    if (!measure && !(render && arguments.size() == 4)) {
        std::fputs(kUsage, stderr);
        return kBadInput;
    }
    g_folders.programFolder = DetermineProgramFolder();
    LoadParameters();
    QByteArray session;
    QString sessionFolder;
    if (!ReadSession(arguments[2], session, sessionFolder)) {
        return kBadInput;
    }
    return Finish(measure ? RunMeasureSession(session, sessionFolder, arguments.value(4))
                          : RunRenderSession(session, sessionFolder, arguments[3]));
}
