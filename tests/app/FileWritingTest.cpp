#include "core/FileWriting.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>

TEST(FileWriting, WholeWritesReplaceAndLeaveNoTemporaries) {
    ScopedProgramFolder home;
    const QString path = home.filePath("data.xml");
    ASSERT_TRUE(WriteFileWhole(path, "first"));
    ASSERT_TRUE(WriteFileWhole(path, "second"));
    EXPECT_EQ(ReadFile(path), "second");
    EXPECT_FALSE(WriteFileWhole(home.filePath("missing/folder/data.xml"), "x"));
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{"data.xml"});
}

TEST(FileWriting, NewFilesNeverReplaceAnExistingOne) {
    ScopedProgramFolder home;
    const QString path = home.filePath("20261208120000.bmp");
    ASSERT_TRUE(WriteNewFileWhole(path, "snapshot one"));
    EXPECT_FALSE(WriteNewFileWhole(path, "snapshot two"));
    EXPECT_EQ(ReadFile(path), "snapshot one");
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{"20261208120000.bmp"});
}

// Pictures and settings files are the user's like any other file: readable by
// whoever the user's file-creation mask lets read them, not only by the owner.
TEST(FileWriting, WrittenFilesFollowTheFileCreationMask) {
    ScopedProgramFolder home;
    const mode_t saved = ::umask(027);
    ASSERT_TRUE(WriteNewFileWhole(home.filePath("snapshot.jpg"), "picture"));
    ASSERT_TRUE(WriteFileWhole(home.filePath("data.xml"), "calibrations"));
    ::umask(saved);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(home.filePath("snapshot.jpg")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    ASSERT_EQ(::stat(QFile::encodeName(home.filePath("data.xml")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(FileWriting, Utf16LittleEndianRoundTrip) {
    const QString text = QString::fromUtf8("校准1 µm \xF0\x9F\x94\xAC");
    const QByteArray bytes = ToUtf16LE(text);
    EXPECT_EQ(bytes.size(), text.size() * 2);
    EXPECT_EQ(bytes.left(2), QByteArray("\x21\x68", 2)); // 校 is U+6821
    EXPECT_EQ(FromUtf16LE(bytes), text);
    EXPECT_EQ(FromUtf16LE(bytes + 'x'), text); // an odd last byte is dropped
}
