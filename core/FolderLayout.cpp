#include "core/FolderLayout.h"

#include "core/Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Every copy ships the English file; its presence marks a folder laid out
// by the build or by unpacking a portable copy.
const QString kMarkerLanguageFile = QStringLiteral("English1252.ini");

QString Cleaned(const QString& path) {
    return QDir::cleanPath(QDir(path).absolutePath());
}

} // namespace

CFolderLayout LocateFolders(const CFolderInputs& inputs) {
    CFolderLayout layout;
    const QString executableFolder = Cleaned(inputs.executableFolder);
    if (!inputs.home.isEmpty()) {
        layout.programFolder = Cleaned(inputs.home);
    } else if (QFileInfo(executableFolder + u'/' + kMarkerLanguageFile).isFile() &&
               QFileInfo(executableFolder).isWritable()) {
        layout.programFolder = executableFolder;
    } else {
        layout.programFolder = Cleaned(inputs.userDataFolder);
        layout.defaultSaveBase = Cleaned(inputs.picturesFolder) + QStringLiteral("/Marnelo");
    }
    const QString installData =
        Cleaned(executableFolder + QStringLiteral("/" MARNELO_INSTALL_DATA_FROM_BIN));
    for (const QString& folder : {executableFolder, installData}) {
        if (folder != layout.programFolder && !layout.languageFolders.contains(folder)) {
            layout.languageFolders.append(folder);
        }
    }
    return layout;
}

CFolderInputs CurrentFolderInputs() {
    CFolderInputs inputs;
    inputs.home = qEnvironmentVariable("MARNELO_HOME");
    inputs.executableFolder = QCoreApplication::applicationDirPath();
    // The application data folder of the GUI, spelt out so that marnelo-cli
    // (which has its own application name) finds the same files.
    inputs.userDataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                            QStringLiteral("/LOBRIN/Marnelo");
    inputs.picturesFolder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (inputs.picturesFolder.isEmpty()) {
        inputs.picturesFolder = QDir::homePath();
    }
    return inputs;
}

bool SetUpProgramFolders() {
    const CFolderLayout layout = LocateFolders(CurrentFolderInputs());
    g_folders.programFolder = layout.programFolder;
    g_folders.languageFolders = layout.languageFolders;
    g_folders.defaultSaveBase = layout.defaultSaveBase;
    return QDir().mkpath(layout.programFolder) && QFileInfo(layout.programFolder).isWritable();
}
