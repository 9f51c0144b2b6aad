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

} // namespace

bool WriteNewFileWhole(const QString& path, const QByteArray& bytes) {
    if (QFileInfo::exists(path)) {
        return false;
    }
    // A temporary file is private to its owner; the finished picture gets the
    // permissions any new file of the user gets.
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open() || ::fchmod(file.handle(), 0666 & ~CurrentUmask()) != 0 ||
        file.write(bytes) != bytes.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        return false;
    }
    // renameat2 with RENAME_NOREPLACE fails instead of replacing a file that
    // appeared meanwhile; link() does the same on file systems without it.
    const QByteArray from = QFile::encodeName(file.fileName());
    const QByteArray to = QFile::encodeName(path);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        file.setAutoRemove(false);
        return true;
    }
    if (errno == EEXIST) {
        return false;
    }
    return ::link(from.constData(), to.constData()) == 0; // the temporary goes with `file`
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
