#include "core/FileWriting.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

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
// Every new picture or recording takes the first free name of its series and
// never replaces a file, also one that appears between choosing and writing.
TEST(FileWriting, NewFilesTakeTheFirstFreeNameOfTheirSeries) {
    ScopedProgramFolder home;
    const struct {
        int firstSuffix;
        const char* second;
        const char* third;
    } schemes[] = {{2, "shot-2.jpg", "shot-3.jpg"}, {1, "shot-1.jpg", "shot-2.jpg"}};
    for (const auto& scheme : schemes) {
        QTemporaryDir dir;
        const QString out = dir.filePath("shot.jpg");
        EXPECT_EQ(WriteNewFile(out, "first", scheme.firstSuffix), out);
        EXPECT_EQ(WriteNewFile(out, "second", scheme.firstSuffix), dir.filePath(scheme.second));
        EXPECT_EQ(WriteNewFile(out, "third", scheme.firstSuffix), dir.filePath(scheme.third));
        EXPECT_EQ(ReadFile(out), "first");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3) << "no temporaries left";
    }
    EXPECT_EQ(TaggedPath(home.filePath("bare"), "-2"), home.filePath("bare-2"));
    EXPECT_TRUE(WriteNewFile(home.filePath("missing/shot.jpg"), "x").isEmpty());

    // A recording starts under a name neither taken nor being written, and
    // its finished file takes the next free one if that name was taken since.
    const QString video = home.filePath("clip.avi");
    ASSERT_TRUE(WriteFileWhole(video + ".part", "earlier"));
    EXPECT_EQ(FirstFreePath(video, ".part"), home.filePath("clip-2.avi"));
    const QString aside = home.filePath("clip-2.avi.part");
    ASSERT_TRUE(WriteFileWhole(aside, "recorded"));
    ASSERT_TRUE(WriteFileWhole(home.filePath("clip-2.avi"), "appeared meanwhile"));
    EXPECT_EQ(PlaceNewFile(aside, home.filePath("clip-2.avi")), home.filePath("clip-2-2.avi"));
    EXPECT_EQ(ReadFile(home.filePath("clip-2.avi")), "appeared meanwhile");
    EXPECT_EQ(ReadFile(home.filePath("clip-2-2.avi")), "recorded");
    EXPECT_FALSE(QFileInfo::exists(aside));
}

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
