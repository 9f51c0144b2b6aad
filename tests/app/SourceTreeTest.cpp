#include <gtest/gtest.h>
#include <map>
#include <set>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

// The layout the tree promises: widgets only in ui/ folders and app/, no two
// folders that depend on each other, the root build file adding every folder
// after those it uses, and one JPEG decoder for camera frames beside the
// picture codec.

namespace {

const QDir kRoot(QStringLiteral(MARNELO_SOURCE_DIR));

// The source files of the program, as paths relative to the root.
QStringList SourceFiles() {
    QStringList files;
    QDirIterator it(kRoot.path(), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = kRoot.relativeFilePath(it.next());
        const QString top = path.section(u'/', 0, 0);
        if (path.contains(u'/') && top != QStringLiteral("tests") &&
            top != QStringLiteral("bench") && top != QStringLiteral("fuzz") &&
            !top.startsWith(QStringLiteral("build"))) {
            files << path;
        }
    }
    return files;
}

QString Read(const QString& path) {
    QFile file(kRoot.filePath(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

QString FolderOf(const QString& path) {
    return path.section(u'/', 0, -2);
}

bool WidgetsAllowed(const QString& folder) {
    return folder == QStringLiteral("app") || folder.endsWith(QStringLiteral("/ui"));
}

} // namespace

TEST(SourceTree, WidgetsOnlyInUiFoldersAndApp) {
    const QSet<QString> widgetHeaders = [] {
        const QStringList names = QDir(QStringLiteral(MARNELO_QT_WIDGETS_HEADERS)).entryList();
        return QSet<QString>(names.begin(), names.end());
    }();
    ASSERT_TRUE(widgetHeaders.contains(QStringLiteral("QWidget")));
    const QRegularExpression include(QStringLiteral(R"(#\s*include\s*<(?:QtWidgets/)?([^>]+)>)"));
    QStringList offenders;
    for (const QString& path : SourceFiles()) {
        if (WidgetsAllowed(FolderOf(path))) {
            continue;
        }
        for (const QRegularExpressionMatch& m : include.globalMatch(Read(path))) {
            if (widgetHeaders.contains(m.captured(1))) {
                offenders << path + " includes " + m.captured(1);
            }
        }
    }
    EXPECT_TRUE(offenders.isEmpty()) << offenders.join(u'\n').toStdString();
}

TEST(SourceTree, FoldersComeAfterEveryFolderTheyUse) {
    // The order of the root build file.
    std::map<QString, int> order;
    const QRegularExpression added(QStringLiteral(R"(^add_subdirectory\(([a-z0-9/]+)\))"),
                                   QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch& m : added.globalMatch(Read("CMakeLists.txt"))) {
        order.emplace(m.captured(1), static_cast<int>(order.size()));
    }
    const QRegularExpression include(QStringLiteral(R"(#\s*include\s*"([^"]+)/[^/"]+")"));
    std::set<std::pair<QString, QString>> wrong;
    for (const QString& path : SourceFiles()) {
        const QString folder = FolderOf(path);
        ASSERT_TRUE(order.count(folder)) << folder.toStdString() << " is not built";
        for (const QRegularExpressionMatch& m : include.globalMatch(Read(path))) {
            const QString used = m.captured(1);
            if (used != folder && order.count(used) && order.at(used) > order.at(folder)) {
                wrong.emplace(folder, used);
            }
        }
    }
    for (const auto& [folder, used] : wrong) {
        ADD_FAILURE() << folder.toStdString() << " uses " << used.toStdString()
                      << ", which is added after it";
    }
}

TEST(SourceTree, CameraFramesAndPicturesHaveOneJpegDecoderEach) {
    const QRegularExpression decoding(
        QStringLiteral(R"(\b(tjDecompress2|jpeg_start_decompress)\b)"));
    QStringList decoders;
    for (const QString& path : SourceFiles()) {
        if (path.endsWith(QStringLiteral(".cpp")) && decoding.match(Read(path)).hasMatch()) {
            decoders << path;
        }
    }
    decoders.sort();
    EXPECT_EQ(decoders, (QStringList{"capture/FrameConverter.cpp", "image/JpegCodec.cpp"}));
}
