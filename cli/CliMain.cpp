#include "capture/CaptureSession.h"
#include "capture/v4l2/V4l2Backend.h"
#include "cli/CliCalibrate.h"
#include "cli/CliCamera.h"
#include "cli/CliCameraCheck.h"
#include "cli/CliParticles.h"
#include "cli/CliRecord.h"
#include "cli/CliSession.h"
#include "cli/CliStack.h"
#include "core/FolderLayout.h"
#include "core/Folders.h"
#include "core/Language.h"
#include "core/Parameters.h"
#include "core/StartupArguments.h"
#include "recorder/Recording.h"

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
    "usage: marnelo-cli measure SESSION.json [--save OUT.bmp|.jpg|.tif|.png]\n"
    "           [--report OUT.xlsx|OUT.xls|OUT.docx|OUT.doc|OUT.csv [--title T]\n"
    "            [--company C] [--author A] [--picture]]\n"
    "       marnelo-cli render SESSION.json PICTURE.bmp\n"
    "       marnelo-cli calibrate SESSION.json TITLE LENGTH UNIT\n"
    "       marnelo-cli devices\n"
    "       marnelo-cli snapshot OUT.bmp|.jpg|.tif|.png [--device ID|NAME] [--size WxH]\n"
    "                  [--format FOURCC] [--count N --interval SECONDS] [--mirror] [--rotate]\n"
    "                  [--scale-bar] [--session SESSION.json]\n"
    "       marnelo-cli record OUT.avi --seconds S [--fps F] [--uncompressed | --codec %1]\n"
    "                  [--device ID|NAME] [--size WxH] [--mirror] [--rotate]\n"
    "       marnelo-cli camera-check [--device ID|NAME] [--seconds S] [--text]\n"
    "       marnelo-cli particles PICTURE [--objects dark|light]\n"
    "                  [--threshold otsu|triangle|default|N] [--flatten RADIUS]\n"
    "                  [--min-area A] [--max-area A] [--exclude-edges] [--fill-holes]\n"
    "                  [--split] [--scale PIXELS_PER_UNIT --unit UNIT | --calibration NAME]\n"
    "                  [--imagej] [--csv OUT.csv] [--report OUT.xlsx|...] [--save OUT.bmp|...]\n"
    "       marnelo-cli stack --output OUT [--height-map FILE] [--z-step STEP --unit UNIT]\n"
    "                  [--no-align] PICTURE...\n"
    "       marnelo-cli --help | --version\n"
    "  measure: measures the shapes of a session and writes the results and\n"
    "           labels as JSON to standard output; --save also writes the\n"
    "           session's picture with the shapes burned in, as Save does;\n"
    "           --report writes the spreadsheet or document report of every\n"
    "           shape (--picture: with the picture and its measurements),\n"
    "           or its results as comma-separated values (.csv).\n"
    "  render:  draws the shapes with their labels on the session's picture\n"
    "           (or a white one) and writes it as a 24-bit BMP.\n"
    "  calibrate: stores a calibration titled TITLE, as the manual\n"
    "           calibration does: the session's last distance line is\n"
    "           LENGTH long in UNIT (nm, um, mm, cm, mil).\n"
    "  devices:  lists the cameras (the virtual microscope included) with\n"
    "           their formats, sizes and frame rates as JSON.\n"
    "  snapshot: takes a picture from a camera (default: the first listed);\n"
    "           --count takes N pictures OUT-0001... spaced by --interval;\n"
    "           --session draws the session's shapes (frame pixels) on it.\n"
    "           An existing file is never replaced. --scale-bar burns in a\n"
    "           scale bar of the calibration applied last.\n"
    "  record:   records S seconds from a camera into an AVI file that plays\n"
    "           at F frames per second (default 15), MJPEG unless\n"
    "           --uncompressed or --codec; prints a JSON summary.\n"
    "           --codec takes:\n%2"
    "  camera-check: a self-test of a camera to attach to a bug report:\n"
    "           streams every format at its largest and smallest size for S\n"
    "           seconds each (default 2) and sets every writable control;\n"
    "           prints JSON, or text with --text.\n"
    "  particles: finds the objects of a picture (dark ones and Otsu's level\n"
    "           unless told otherwise) and prints each one's measures and a\n"
    "           summary as JSON, in the unit of --scale/--unit or of a stored\n"
    "           calibration (pixels without); --imagej measures the thresholded\n"
    "           pixels as ImageJ does; --save draws the numbered outlines.\n"
    "  stack:    merges a focus series (two or more pictures of one size,\n"
    "           aligned to the first unless --no-align) into one picture sharp\n"
    "           everywhere and prints a JSON summary; --height-map writes the\n"
    "           height of each pixel: .tif as 32-bit floats in slices (the first\n"
    "           picture is 0) or, with --z-step, in UNIT; .png/.bmp/.jpg in\n"
    "           false colour with a legend. Unknown (textureless) heights are\n"
    "           NaN in the TIFF and grey in colour. Never replaces a file.\n"
    "  SESSION.json may be - for standard input.\n";

// The usage text with the compressors `record` accepts on this system.
QByteArray Usage() {
    QStringList names;
    QStringList titles;
    for (const VideoCodec codec : AvailableVideoCodecs()) {
        names << VideoCodecName(codec);
        titles << QStringLiteral("             %1 %2\n")
                      .arg(VideoCodecName(codec), -6)
                      .arg(VideoCodecTitle(codec));
    }
    return QString::fromLatin1(kUsage).arg(names.join(u'|'), titles.join(QString())).toUtf8();
}

// One line on standard error, whatever the message holds.
void Complain(QString message) {
    message.replace(u'\n', u' ').replace(u'\r', u' ');
    std::fprintf(stderr, "marnelo-cli: %s\n", message.toUtf8().constData());
}

// Qt's own warnings (such as a missing XDG_RUNTIME_DIR) mean nothing to a
// script reading standard error: it carries only our one-line messages.
void KeepQtQuiet(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        Complain(message);
    }
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

// The options of "measure" after the session; false for anything else.
bool ParseMeasureOptions(const QStringList& arguments, CMeasureOutputs& outputs) {
    outputs.title = GetLanguageString("MeasureReport", QStringLiteral("Measure Report"), 128);
    bool textGiven = false;
    for (qsizetype i = 3; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (option == QStringLiteral("--picture")) {
            outputs.reportPicture = true;
            textGiven = true;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            return false;
        }
        const QString& value = arguments[++i];
        if (option == QStringLiteral("--save")) {
            outputs.savePath = value;
        } else if (option == QStringLiteral("--report")) {
            outputs.reportPath = value;
        } else if (option == QStringLiteral("--title")) {
            outputs.title = value;
        } else if (option == QStringLiteral("--company")) {
            outputs.company = value;
        } else if (option == QStringLiteral("--author")) {
            outputs.author = value;
        } else {
            return false;
        }
        textGiven = textGiven ||
                    (option != QStringLiteral("--save") && option != QStringLiteral("--report"));
    }
    // Report options without a report are a mistake, not something to ignore.
    return !textGiven || !outputs.reportPath.isEmpty();
}

bool NeedsPictures(int argc, char** argv) {
    // A focus stack may draw its height map's legend.
    if (argc > 1 && std::strcmp(argv[1], "stack") == 0) {
        return true;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "render") == 0 || std::strcmp(argv[i], "--save") == 0 ||
            std::strcmp(argv[i], "--picture") == 0 || std::strcmp(argv[i], "--scale-bar") == 0 ||
            std::strcmp(argv[i], "--session") == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // Drawing labels needs fonts, hence a GUI application; it never shows a
    // window.
    const bool render = argc > 1 && std::strcmp(argv[1], "render") == 0;
    // Taken before the application exists: a GUI application removes the
    // options it knows itself (such as --session) from the command line.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    qInstallMessageHandler(KeepQtQuiet);
    std::unique_ptr<QCoreApplication> app;
    if (NeedsPictures(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    if (arguments.size() == 2 &&
        (arguments[1] == QStringLiteral("--help") || arguments[1] == QStringLiteral("-h"))) {
        std::fputs(Usage().constData(), stdout);
        return 0;
    }
    if (arguments.size() == 2 && arguments[1] == QStringLiteral("--version")) {
        std::fputs(VersionText(QStringLiteral("marnelo-cli")).toUtf8().constData(), stdout);
        return 0;
    }
    const bool calibrate =
        arguments.value(1) == QStringLiteral("calibrate") && arguments.size() == 6;
    if (arguments.value(1) == QStringLiteral("record")) {
        SetUpProgramFolders();
        LoadParameters();
        AddCaptureBackend(std::make_unique<CV4l2Backend>());
        return Finish(RunRecordCommand(arguments.mid(2)));
    }
    if (arguments.value(1) == QStringLiteral("camera-check")) {
        SetUpProgramFolders();
        LoadParameters();
        AddCaptureBackend(std::make_unique<CV4l2Backend>());
        return Finish(RunCameraCheckCommand(arguments.mid(2)));
    }
    if (arguments.value(1) == QStringLiteral("stack")) {
        SetUpProgramFolders();
        LoadParameters();
        return Finish(RunStackCommand(arguments.mid(2)));
    }
    if (arguments.value(1) == QStringLiteral("particles")) {
        SetUpProgramFolders();
        LoadParameters();
        return Finish(RunParticlesCommand(arguments.mid(2)));
    }
    if (arguments.value(1) == QStringLiteral("devices") ||
        arguments.value(1) == QStringLiteral("snapshot")) {
        if (arguments.value(1) == QStringLiteral("devices") && arguments.size() != 2) {
            std::fputs(Usage().constData(), stderr);
            return kBadInput;
        }
        SetUpProgramFolders();
        LoadParameters();
        AddCaptureBackend(std::make_unique<CV4l2Backend>());
        return Finish(arguments.value(1) == QStringLiteral("devices")
                          ? RunDevicesCommand()
                          : RunSnapshotCommand(arguments.mid(2)));
    }
    SetUpProgramFolders();
    LoadParameters();
    CMeasureOutputs outputs;
    const bool measure = arguments.value(1) == QStringLiteral("measure") && arguments.size() >= 3 &&
                         ParseMeasureOptions(arguments, outputs);
    if (!measure && !calibrate && !(render && arguments.size() == 4)) {
        std::fputs(Usage().constData(), stderr);
        return kBadInput;
    }
    QByteArray session;
    QString sessionFolder;
    if (!ReadSession(arguments[2], session, sessionFolder)) {
        return kBadInput;
    }
    if (calibrate) {
        return Finish(
            RunCalibrateSession(session, sessionFolder, arguments[3], arguments[4], arguments[5]));
    }
    return Finish(measure ? RunMeasureSession(session, sessionFolder, outputs)
                          : RunRenderSession(session, sessionFolder, arguments[3]));
}
