#include "core/FolderLayout.h"

#include "core/Folders.h"
#include "core/Language.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

// A file-system tree for one layout: an install prefix with bin/ and
// share/marnelo/, a user's data and pictures folders, and a portable home.
class FolderLayoutTest : public ::testing::Test {
protected:
    QString Path(const QString& relative) const { return root.filePath(relative); }

    CFolderInputs Inputs(const QString& executableFolder) const {
        QDir().mkpath(executableFolder);
        return {QString(), executableFolder, Path("user/data/LOBRIN/Marnelo"),
                Path("user/Pictures")};
    }

    static void PutLanguageFile(const QString& folder, const QString& name,
                                const QByteArray& content = "[ZeDUV]\nFile=x\n") {
        WriteFile(folder + u'/' + name, content);
    }

    ScopedProgramFolder root;
};

} // namespace

TEST_F(FolderLayoutTest, BuildFolderAndHomeAreSelfContained) {
    const QString bin = Path("build/bin");
    PutLanguageFile(bin, "English1252.ini");
    CFolderLayout layout = LocateFolders(Inputs(bin));
    EXPECT_EQ(layout.programFolder, bin);
    EXPECT_TRUE(layout.defaultSaveBase.isEmpty());
    EXPECT_EQ(layout.languageFolders, QStringList{Path("build/share/marnelo")});

    // MARNELO_HOME wins over any executable folder, also an installed one,
    // whose language files stay reachable.
    CFolderInputs inputs = Inputs(Path("usr/bin"));
    inputs.home = Path("portable/");
    layout = LocateFolders(inputs);
    EXPECT_EQ(layout.programFolder, Path("portable"));
    EXPECT_TRUE(layout.defaultSaveBase.isEmpty());
    EXPECT_EQ(layout.languageFolders, (QStringList{Path("usr/bin"), Path("usr/share/marnelo")}));
}

TEST_F(FolderLayoutTest, AnInstalledCopyWritesIntoTheUsersFolders) {
    PutLanguageFile(Path("usr/share/marnelo"), "English1252.ini");
    const CFolderLayout layout = LocateFolders(Inputs(Path("usr/bin")));
    EXPECT_EQ(layout.programFolder, Path("user/data/LOBRIN/Marnelo"));
    EXPECT_EQ(layout.defaultSaveBase, Path("user/Pictures/Marnelo"));
    EXPECT_EQ(layout.languageFolders, (QStringList{Path("usr/bin"), Path("usr/share/marnelo")}));
    // Deciding changes nothing on disk.
    EXPECT_FALSE(QFileInfo::exists(layout.programFolder));
}

TEST_F(FolderLayoutTest, LanguageFilesComeFromTheFirstFolderHoldingThem) {
    const QString exe = Path("bin");
    const QString data = Path("share/marnelo");
    PutLanguageFile(exe, "Chinese936.ini",
                    QString::fromUtf8("[ZeDUV]\nFile=文件\n").toUtf8().prepend("\xEF\xBB\xBF"));
    PutLanguageFile(data, "Chinese936.ini", "[ZeDUV]\nFile=data\n");
    PutLanguageFile(data, "Chinese950.ini", "[ZeDUV]\nFile=tw\n");
    PutLanguageFile(root.path(), "English1252.ini", "[ZeDUV]\nFile=own\n");
    g_folders.languageFolders = {exe, data};

    SelectLanguageFile(4, 2);
    EXPECT_EQ(g_language.file, exe + "/Chinese936.ini");
    EXPECT_EQ(GetLanguageString("File", "File", 128), QString::fromUtf8("文件"));
    SelectLanguageFile(4, 1);
    EXPECT_EQ(GetLanguageString("File", "File", 128), "tw");
    // The program folder's own file comes first.
    SelectLanguageFile(9, 1);
    EXPECT_EQ(GetLanguageString("File", "File", 128), "own");
    // A language nobody ships points into the program folder: defaults.
    SelectLanguageFile(7, 1);
    EXPECT_EQ(g_language.file, root.filePath("German1252.ini"));
    EXPECT_EQ(GetLanguageString("File", "File", 128), "File");
}

TEST_F(FolderLayoutTest, SettingUpCreatesTheProgramFolderOrSaysItCannot) {
    qputenv("MARNELO_HOME", QFile::encodeName(Path("fresh/home")));
    EXPECT_TRUE(SetUpProgramFolders());
    EXPECT_EQ(g_folders.programFolder, Path("fresh/home"));
    EXPECT_TRUE(QFileInfo(Path("fresh/home")).isDir());

    WriteFile(Path("plainfile"), "x");
    qputenv("MARNELO_HOME", QFile::encodeName(Path("plainfile/below")));
    EXPECT_FALSE(SetUpProgramFolders());
}
