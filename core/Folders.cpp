#include "core/Folders.h"

#include "core/FileWriting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

CFolders g_folders;

namespace {

constexpr int kMaxFolderUnits = kFolderRecordBytes / 2 - 1;

QString RecordPath() {
    return g_folders.programFolder + QStringLiteral("/folderpath.dat");
}

QString WithoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(u'/')) {
        path.chop(1);
    }
    return path;
}

// Every surrogate must belong to a pair.
bool IsWellFormedUtf16(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (text[i].isSurrogate()) {
            return false;
        }
    }
    return true;
}

} // namespace

QString LanguageFilePath(const QString& fileName) {
    const QString inProgramFolder = g_folders.programFolder + u'/' + fileName;
    if (QFileInfo(inProgramFolder).isFile()) {
        return inProgramFolder;
    }
    for (const QString& folder : g_folders.languageFolders) {
        const QString path = folder + u'/' + fileName;
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return inProgramFolder;
}

QString SnapshotFolderOf(const QString& saveFolder) {
    return QDir(saveFolder).filePath(QStringLiteral("SaveFile"));
}

QString VideoFolderOf(const QString& saveFolder) {
    return QDir(saveFolder).filePath(QStringLiteral("SaveFile/Video"));
}

std::optional<QByteArray> EncodeFolderRecord(const QString& folder) {
    if (folder.isEmpty() || folder.size() > kMaxFolderUnits || !IsWellFormedUtf16(folder)) {
        return std::nullopt;
    }
    QByteArray record = ToUtf16LE(folder);
    record.resize(kFolderRecordBytes, '\0');
    return record;
}

std::optional<QString> DecodeFolderRecord(const QByteArray& record) {
    if (record.size() != kFolderRecordBytes) {
        return std::nullopt;
    }
    qsizetype units = 0;
    while (units < kFolderRecordBytes / 2 &&
           (record[2 * units] != 0 || record[2 * units + 1] != 0)) {
        ++units;
    }
    const QString folder = FromUtf16LE(record.first(2 * units));
    if (!IsWellFormedUtf16(folder) || folder.isEmpty() || !QDir::isAbsolutePath(folder)) {
        return std::nullopt;
    }
    return WithoutTrailingSlash(folder);
}

void InitSaveFolders() {
    const QString base =
        g_folders.defaultSaveBase.isEmpty() ? g_folders.programFolder : g_folders.defaultSaveBase;
    const QString defaultSnapshots = SnapshotFolderOf(base);
    const QString defaultVideos = VideoFolderOf(base);
    QDir().mkpath(defaultVideos);
    g_folders.snapshotFolder = defaultSnapshots;
    g_folders.videoFolder = defaultVideos;

    QFile file(RecordPath());
    std::optional<QString> stored;
    if (file.open(QIODevice::ReadOnly)) {
        stored = DecodeFolderRecord(file.read(kFolderRecordBytes + 1));
    }
    if (!stored) {
        g_folders.saveFolder = defaultSnapshots;
        return;
    }
    const QString snapshots = SnapshotFolderOf(*stored);
    const QString videos = VideoFolderOf(*stored);
    if (QFileInfo(snapshots).isDir() && QFileInfo(videos).isDir()) {
        g_folders.saveFolder = *stored;
        g_folders.snapshotFolder = snapshots;
        g_folders.videoFolder = videos;
    } else {
        g_folders.saveFolder = base;
    }
}

bool ChooseSaveFolder(const QString& folder) {
    const QString cleaned = WithoutTrailingSlash(folder);
    const std::optional<QByteArray> record = EncodeFolderRecord(cleaned);
    if (!record) {
        return false;
    }
    // The folders come first: a record naming folders that cannot exist would
    // send the next start back to the program folder anyway.
    if (!QDir().mkpath(VideoFolderOf(cleaned))) {
        return false;
    }
    if (!WriteFileWhole(RecordPath(), *record)) {
        return false;
    }
    g_folders.saveFolder = cleaned;
    g_folders.snapshotFolder = SnapshotFolderOf(cleaned);
    g_folders.videoFolder = VideoFolderOf(cleaned);
    return true;
}
