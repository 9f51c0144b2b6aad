#include "core/FileWriting.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

bool WriteFileWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    // commit() does not report a failed final flush (a full disk), so the
    // data is flushed and checked first.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

namespace {

// The process's file-creation mask, read without changing it: umask() can only
// be read by setting it, which would race with files other threads create.
mode_t CurrentUmask() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok) {
                    return static_cast<mode_t>(mask & 0777);
                }
            }
        }
    }
    return 022;
}

// Enough tries for any folder a person keeps; a bound keeps a folder full of
// look-alike names from spinning for ever.
constexpr int kMaxAttempts = 10000;

QString SeriesPath(const QString& path, int firstSuffix, int attempt) {
    return attempt == 0 ? path
                        : TaggedPath(path, QString::asprintf("-%d", firstSuffix + attempt - 1));
}

// Moves `from` to `to` unless `to` exists. renameat2 with RENAME_NOREPLACE
// fails instead of replacing a file that appeared meanwhile; link() does the
// same on file systems without it. False with errno EEXIST when the name is
// taken.
bool MoveNoReplace(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0) {
        return true;
    }
    if (errno == EEXIST || ::link(source.constData(), target.constData()) != 0) {
        return false;
    }
    ::unlink(source.constData());
    return true;
}

// A finished temporary file beside `path`, with the permissions any new file
// of the user gets (a temporary file is private to its owner).
bool WriteAside(QTemporaryFile& file, const QByteArray& bytes) {
    return file.open() && ::fchmod(file.handle(), 0666 & ~CurrentUmask()) == 0 &&
           file.write(bytes) == bytes.size() && file.flush() && ::fsync(file.handle()) == 0;
}

} // namespace

QString TaggedPath(const QString& path, const QString& tag) {
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.isEmpty()) {
        return path + tag;
    }
    return path.left(path.size() - suffix.size() - 1) + tag + u'.' + suffix;
}

QString PlaceNewFile(const QString& aside, const QString& path, int firstSuffix) {
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const QString candidate = SeriesPath(path, firstSuffix, attempt);
        if (QFileInfo::exists(candidate)) {
            continue;
        }
        if (MoveNoReplace(aside, candidate)) {
            return candidate;
        }
        if (errno != EEXIST) {
            return {};
        }
    }
    return {};
}

QString WriteNewFile(const QString& path, const QByteArray& bytes, int firstSuffix) {
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!WriteAside(file, bytes)) {
        return {};
    }
    const QString placed = PlaceNewFile(file.fileName(), path, firstSuffix);
    file.setAutoRemove(placed.isEmpty());
    return placed;
}

QString FirstFreePath(const QString& path, const QString& asideSuffix, int firstSuffix) {
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const QString candidate = SeriesPath(path, firstSuffix, attempt);
        if (!QFileInfo::exists(candidate) && !QFileInfo::exists(candidate + asideSuffix)) {
            return candidate;
        }
    }
    return {};
}

bool WriteNewFileWhole(const QString& path, const QByteArray& bytes) {
    if (QFileInfo::exists(path)) {
        return false;
    }
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!WriteAside(file, bytes)) {
        return false;
    }
    const bool placed = MoveNoReplace(file.fileName(), path);
    file.setAutoRemove(!placed);
    return placed;
}

QByteArray ToUtf16LE(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

QString FromUtf16LE(const QByteArray& bytes) {
    const qsizetype units = bytes.size() / 2;
    QString text(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i) {
        text[i] = QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                              static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return text;
}
