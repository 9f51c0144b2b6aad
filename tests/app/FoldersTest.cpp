#include "core/Folders.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

namespace {

QByteArray Utf16Record(const QString& folder) {
    QByteArray record(kFolderRecordBytes, '\0');
    for (qsizetype i = 0; i < folder.size(); ++i) {
        record[2 * i] = static_cast<char>(folder.at(i).unicode() & 0xFF);
        record[2 * i + 1] = static_cast<char>(folder.at(i).unicode() >> 8);
    }
    return record;
}

class SaveFolderTest : public ::testing::Test {
protected:
    QString ProgramSaveFile() const { return home.filePath("SaveFile"); }
    void WriteRecord(const QByteArray& record) {
        WriteFile(home.filePath("folderpath.dat"), record);
    }

    ScopedProgramFolder home;
};

} // namespace

TEST(FolderRecord, IsExactly520BytesOfZeroPaddedUtf16LE) {
    const QString folder = QString::fromUtf8("/data/显微镜 µm");
    const auto record = EncodeFolderRecord(folder);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->size(), 520);
    EXPECT_EQ(*record, Utf16Record(folder));
    EXPECT_FALSE(record->startsWith("\xFF\xFE"));
    EXPECT_EQ(DecodeFolderRecord(*record), folder);
}

TEST(FolderRecord, RefusesWhatDoesNotFitWhole) {
    const QString fits = u'/' + QString(258, u'a');
    const QString tooLong = u'/' + QString(259, u'a');
    EXPECT_TRUE(EncodeFolderRecord(fits));
    EXPECT_FALSE(EncodeFolderRecord(tooLong));
    // A character outside the basic plane takes two units; it is never split.
    const QString pairAtEnd = u'/' + QString(257, u'a') + QString::fromUtf8("\xF0\x9F\x94\xAC");
    EXPECT_FALSE(EncodeFolderRecord(pairAtEnd));
    EXPECT_FALSE(EncodeFolderRecord(QString()));
}

TEST(FolderRecord, UnusableRecordsDecodeToNothing) {
    EXPECT_FALSE(DecodeFolderRecord(QByteArray(520, '\0')));                // empty
    EXPECT_FALSE(DecodeFolderRecord(Utf16Record("/short").left(100)));      // truncated
    EXPECT_FALSE(DecodeFolderRecord(Utf16Record("/x") + QByteArray(2, 0))); // too long
    EXPECT_FALSE(DecodeFolderRecord(Utf16Record("relative/path")));
    QByteArray lonelySurrogate = Utf16Record("/ab");
    lonelySurrogate[2] = '\x00';
    lonelySurrogate[3] = '\xD8';
    EXPECT_FALSE(DecodeFolderRecord(lonelySurrogate));
    // Windows-style records written by the old program: a full 260-unit path
    // without terminator still decodes.
    EXPECT_EQ(DecodeFolderRecord(Utf16Record(u'/' + QString(259, u'b')))->size(), 260);
}

TEST_F(SaveFolderTest, MissingRecordUsesTheProgramFoldersSaveFile) {
    InitSaveFolders();
    EXPECT_EQ(g_folders.saveFolder, ProgramSaveFile());
    EXPECT_EQ(g_folders.snapshotFolder, ProgramSaveFile());
    EXPECT_EQ(g_folders.videoFolder, home.filePath("SaveFile/Video"));
    EXPECT_TRUE(QFileInfo(g_folders.videoFolder).isDir());
}

TEST_F(SaveFolderTest, UnusableRecordFallsBackLikeAMissingOne) {
    WriteRecord("garbage");
    InitSaveFolders();
    EXPECT_EQ(g_folders.saveFolder, ProgramSaveFile());
    EXPECT_EQ(g_folders.snapshotFolder, ProgramSaveFile());
}

TEST_F(SaveFolderTest, StoredFolderWithItsSubfoldersWins) {
    const QString chosen = home.filePath("chosen");
    QDir().mkpath(chosen + "/SaveFile/Video");
    WriteRecord(Utf16Record(chosen));
    InitSaveFolders();
    EXPECT_EQ(g_folders.saveFolder, chosen);
    EXPECT_EQ(g_folders.snapshotFolder, chosen + "/SaveFile");
    EXPECT_EQ(g_folders.videoFolder, chosen + "/SaveFile/Video");
}

TEST_F(SaveFolderTest, StoredFolderWithoutVideoFolderFallsBackToProgramFolder) {
    const QString chosen = home.filePath("chosen");
    QDir().mkpath(chosen + "/SaveFile");
    WriteRecord(Utf16Record(chosen));
    InitSaveFolders();
    EXPECT_EQ(g_folders.saveFolder, home.path());
    EXPECT_EQ(g_folders.snapshotFolder, ProgramSaveFile());
    EXPECT_EQ(g_folders.videoFolder, home.filePath("SaveFile/Video"));
}

TEST_F(SaveFolderTest, ChoosingAFolderRewritesTheRecordAndCreatesFolders) {
    const QString chosen = home.filePath("elsewhere/");
    ASSERT_TRUE(ChooseSaveFolder(chosen));
    EXPECT_EQ(g_folders.saveFolder, home.filePath("elsewhere"));
    EXPECT_TRUE(QFileInfo(home.filePath("elsewhere/SaveFile/Video")).isDir());
    EXPECT_EQ(ReadFile(home.filePath("folderpath.dat")), Utf16Record(home.filePath("elsewhere")));
    g_folders.saveFolder.clear();
    InitSaveFolders();
    EXPECT_EQ(g_folders.saveFolder, home.filePath("elsewhere"));
}

TEST_F(SaveFolderTest, AFolderTooLongForTheRecordChangesNothing) {
    InitSaveFolders();
    ASSERT_TRUE(ChooseSaveFolder(home.filePath("first")));
    const QByteArray before = ReadFile(home.filePath("folderpath.dat"));
    EXPECT_FALSE(ChooseSaveFolder(u'/' + QString(300, u'x')));
    WriteFile(home.filePath("plainfile"), "x"); // no folder can be made below a file
    EXPECT_FALSE(ChooseSaveFolder(home.filePath("plainfile/below")));
    EXPECT_EQ(g_folders.saveFolder, home.filePath("first"));
    EXPECT_EQ(ReadFile(home.filePath("folderpath.dat")), before);
}

TEST_F(SaveFolderTest, AnInstalledCopySavesBelowItsOwnBase) {
    g_folders.defaultSaveBase = home.filePath("Pictures/Marnelo");
    InitSaveFolders();
    EXPECT_EQ(g_folders.saveFolder, home.filePath("Pictures/Marnelo/SaveFile"));
    EXPECT_TRUE(QFileInfo(home.filePath("Pictures/Marnelo/SaveFile/Video")).isDir());
    EXPECT_FALSE(QFileInfo(ProgramSaveFile()).exists());
    // A record whose folders are gone falls back to the base, not to the
    // program folder.
    WriteRecord(Utf16Record(home.filePath("gone")));
    InitSaveFolders();
    EXPECT_EQ(g_folders.saveFolder, home.filePath("Pictures/Marnelo"));
    EXPECT_EQ(g_folders.videoFolder, home.filePath("Pictures/Marnelo/SaveFile/Video"));
}
