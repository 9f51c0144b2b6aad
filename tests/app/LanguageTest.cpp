#include "core/Language.h"

#include "core/Folders.h"
#include "core/Parameters.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <thread>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

class LanguageTest : public ::testing::Test {
protected:
    void UseFile(const QString& name, const QByteArray& bytes) {
        WriteFile(home.filePath(name), bytes);
        g_language.file = home.filePath(name);
    }

    ScopedProgramFolder home;
};

QByteArray Utf16(const QString& text, bool littleEndian) {
    QByteArray bytes = littleEndian ? QByteArray("\xFF\xFE", 2) : QByteArray("\xFE\xFF", 2);
    for (QChar c : text) {
        const char lo = static_cast<char>(c.unicode() & 0xFF);
        const char hi = static_cast<char>(c.unicode() >> 8);
        bytes.append(littleEndian ? lo : hi).append(littleEndian ? hi : lo);
    }
    return bytes;
}

QSet<QString> KeysOf(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QSet<QString> keys;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0) {
            keys.insert(QString::fromUtf8(line.left(equals)).trimmed().toLower());
        }
    }
    return keys;
}

} // namespace

TEST(LanguageFileName, FollowsPrimaryIdExceptForChinese) {
    EXPECT_EQ(LanguageFileName(9, 1), "English1252.ini");
    EXPECT_EQ(LanguageFileName(4, 1), "Chinese950.ini");
    EXPECT_EQ(LanguageFileName(4, 2), "Chinese936.ini");
    EXPECT_EQ(LanguageFileName(4, 3), "Chinese936.ini");
    EXPECT_EQ(LanguageFileName(4, 0), "Chinese936.ini");
    EXPECT_EQ(LanguageFileName(25, 7), "Russian1251.ini");
    EXPECT_EQ(LanguageFileName(2, 1), "Bulgarian442.ini");
    EXPECT_EQ(LanguageFileName(3, 1), "English1252.ini");
    EXPECT_EQ(LanguageFileName(-1, 0), "English1252.ini");
}

TEST_F(LanguageTest, SelectsFileInProgramFolderWithoutCheckingIt) {
    SelectLanguageFile(4, 1);
    EXPECT_EQ(g_language.file, home.filePath("Chinese950.ini"));
    EXPECT_EQ(GetLanguageString("File", "File", 128), "File");
}

TEST_F(LanguageTest, ProfileSemantics) {
    UseFile("English1252.ini", "; leading comment\n"
                               "[Other]\nOpen=Wrong section\n"
                               "[  zeduv ]\n"
                               "  Open  =  Open a file  \n"
                               "Empty=\n"
                               "Quoted=\"  padded  \"\n"
                               "Half=\"only one quote\n"
                               "Open=Second value is ignored\n"
                               "[ZeDUV]\nLate=Second section is ignored\n");
    EXPECT_EQ(GetLanguageString("open", "d", 128), "Open a file");
    EXPECT_EQ(GetLanguageString("OPEN", "d", 128), "Open a file");
    EXPECT_EQ(GetLanguageString("Empty", "default", 128), "");
    EXPECT_EQ(GetLanguageString("Missing", "default", 128), "default");
    EXPECT_EQ(GetLanguageString("Quoted", "d", 128), "  padded  ");
    EXPECT_EQ(GetLanguageString("Half", "d", 128), "\"only one quote");
    EXPECT_EQ(GetLanguageString("Late", "default", 128), "default");
}

TEST_F(LanguageTest, LimitCutsToOneLessThanLimit) {
    UseFile("English1252.ini", "[ZeDUV]\nLong=abcdefghij\nPair=ab\xF0\x9F\x94\xAC"
                               "cd\n");
    EXPECT_EQ(GetLanguageString("Long", "", 128), "abcdefghij");
    EXPECT_EQ(GetLanguageString("Long", "", 11), "abcdefghij");
    EXPECT_EQ(GetLanguageString("Long", "", 10), "abcdefghi");
    EXPECT_EQ(GetLanguageString("Long", "", 1), "");
    EXPECT_EQ(GetLanguageString("Long", "", 0), "");
    EXPECT_EQ(GetLanguageString("Missing", "0123456789", 5), "0123");
    // A cut through a surrogate pair drops the whole character.
    EXPECT_EQ(GetLanguageString("Pair", "", 4), "ab");
    EXPECT_EQ(GetLanguageString("Pair", "", 5), QString::fromUtf8("ab\xF0\x9F\x94\xAC"));
}

TEST_F(LanguageTest, MissingFileSectionOrKeyGivesDefault) {
    g_language.file = home.filePath("Absent.ini");
    EXPECT_EQ(GetLanguageString("Systemprompt", "System prompt", 48), "System prompt");
    EXPECT_EQ(GetLanguageString("Promptcontent", "Please restart the program", 48),
              "Please restart the program");
    UseFile("English1252.ini", "[Elsewhere]\nFile=Datei\n");
    EXPECT_EQ(GetLanguageString("File", "File", 128), "File");
    g_language.file.clear();
    EXPECT_EQ(GetLanguageString("File", "File", 128), "File");
}

TEST_F(LanguageTest, ReadsEveryEncoding) {
    const QString measure = QString::fromUtf8("测量");
    UseFile("Chinese936.ini", "\xEF\xBB\xBF[ZeDUV]\nA=" + measure.toUtf8() + "\n");
    EXPECT_EQ(GetLanguageString("A", "", 128), measure);
    UseFile("Chinese936.ini", "[ZeDUV]\r\nA=" + measure.toUtf8() + "\r\n");
    EXPECT_EQ(GetLanguageString("A", "", 128), measure);
    UseFile("Chinese936.ini", Utf16("[ZeDUV]\r\nA=" + measure + "\r\n", true));
    EXPECT_EQ(GetLanguageString("a", "", 128), measure);
    UseFile("Chinese936.ini", Utf16("[ZeDUV]\nA=" + measure + "\n", false));
    EXPECT_EQ(GetLanguageString("A", "", 128), measure);
    // Not valid UTF-8: the code page in the name decides.
    UseFile("Chinese936.ini", "[ZeDUV]\nA=\xB2\xE2\xC1\xBF\n");
    EXPECT_EQ(GetLanguageString("A", "", 128), measure);
    UseFile("Chinese950.ini", "[ZeDUV]\nA=\xB4\xFA\xB6\x71\n");
    EXPECT_EQ(GetLanguageString("A", "", 128), QString::fromUtf8("測量"));
    UseFile("Russian1251.ini", "[ZeDUV]\nA=\xCF\xF0\xE8\xE2\xE5\xF2\n");
    EXPECT_EQ(GetLanguageString("A", "", 128), QString::fromUtf8("Привет"));
    // A name without a known code page still gives a text, never a failure.
    UseFile("Bulgarian442.ini", "[ZeDUV]\nA=caf\xE9\n");
    EXPECT_EQ(GetLanguageString("A", "", 128).left(3), "caf");
}

TEST_F(LanguageTest, SeesAFileChangedOnDisk) {
    UseFile("English1252.ini", "[ZeDUV]\nFile=First\n");
    EXPECT_EQ(GetLanguageString("File", "", 128), "First");
    UseFile("English1252.ini", "[ZeDUV]\nFile=Second, longer\n");
    EXPECT_EQ(GetLanguageString("File", "", 128), "Second, longer");
    QFile::remove(g_language.file);
    EXPECT_EQ(GetLanguageString("File", "default", 128), "default");
}

TEST_F(LanguageTest, ConcurrentLookupsAgree) {
    UseFile("English1252.ini", "[ZeDUV]\nFile=Datei\n");
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i) {
                if (GetLanguageString("File", "", 128) != "Datei") {
                    ++wrong;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong.load(), 0);
}

TEST_F(LanguageTest, SetLanguagePersistsAndSelects) {
    SetLanguage(4, 2);
    EXPECT_EQ(g_parameters.languagemainid, 4);
    EXPECT_EQ(g_parameters.languagesubid, 2);
    EXPECT_TRUE(g_language.changedInRun);
    EXPECT_EQ(g_language.file, home.filePath("Chinese936.ini"));
    g_parameters = CParameters{};
    LoadParameters();
    EXPECT_EQ(g_parameters.languagemainid, 4);
    EXPECT_EQ(g_parameters.languagesubid, 2);
}

TEST_F(LanguageTest, ShippedFilesTranslateTheSameKeys) {
    const QDir resources(QStringLiteral(MARNELO_RESOURCES_DIR));
    const QSet<QString> english = KeysOf(resources.filePath("English1252.ini"));
    EXPECT_GT(english.size(), 150);
    for (const char* name : {"Chinese936.ini", "Chinese950.ini"}) {
        const QSet<QString> translated = KeysOf(resources.filePath(name));
        EXPECT_EQ(translated - english, QSet<QString>{}) << name << " has keys English lacks";
        EXPECT_EQ(english - translated, QSet<QString>{}) << name << " lacks keys";
    }
    home.InstallLanguageFiles();
    SelectLanguageFile(4, 2);
    EXPECT_NE(GetLanguageString("OpenPicture", "Open Picture", 128), "Open Picture");
    SelectLanguageFile(9, 1);
    EXPECT_EQ(GetLanguageString("OpenPicture", "x", 128), "Open Picture");
}

// Keys are literal first arguments of GetLanguageString throughout the code.
TEST(LanguageKeys, EveryKeyUsedInTheCodeIsInTheEnglishFile) {
    const QSet<QString> english =
        KeysOf(QDir(QStringLiteral(MARNELO_RESOURCES_DIR)).filePath("English1252.ini"));
    const QRegularExpression call(
        QStringLiteral(R"(GetLanguageString\(\s*(?:QStringLiteral\(\s*)?u?"([A-Za-z0-9_]+)\")"));
    QStringList missing;
    // Every source folder: all of the tree but the tests, benchmarks, fuzz
    // targets, resources and build folders.
    const QDir root(QStringLiteral(MARNELO_SOURCE_DIR));
    const QStringList skipped{"tests",     "bench",   "fuzz", "resources",
                              "packaging", "scripts", "cmake"};
    for (const QString& folder : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (skipped.contains(folder) || folder.startsWith(QStringLiteral("build")) ||
            !QFileInfo::exists(root.filePath(folder + "/CMakeLists.txt"))) {
            continue;
        }
        QDirIterator it(root.filePath(folder), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            for (const QRegularExpressionMatch& match : call.globalMatch(text)) {
                if (!english.contains(match.captured(1).toLower())) {
                    missing << match.captured(1) + " in " + it.fileName();
                }
            }
        }
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.join(", ").toStdString();
}
