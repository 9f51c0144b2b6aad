#include "core/ProfileFile.h"

#include <cerrno>
#include <iconv.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unordered_map>

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {

struct ParsedProfile {
    // Case-folded section name -> case-folded key -> value.
    QHash<QString, QHash<QString, QString>> sections;
};

struct CacheEntry {
    struct timespec mtime {};
    off_t size = -1;
    ino_t inode = 0;
    std::shared_ptr<const ParsedProfile> profile;
};

std::mutex g_cacheMutex;
std::unordered_map<std::string, CacheEntry> g_cache;

// Invalid sequences decode to U+FFFD, so only valid UTF-8 survives the round trip.
bool IsValidUtf8(const QByteArray& bytes) {
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

QString DecodeWithIconv(const QByteArray& bytes, const QString& codePage) {
    iconv_t cd = iconv_open("UTF-16LE", codePage.toLatin1().constData());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return QString::fromLatin1(bytes);
    }
    QString out;
    QByteArray buffer(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        size_t outLeft = static_cast<size_t>(buffer.size());
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const qsizetype produced = buffer.size() - static_cast<qsizetype>(outLeft);
        out +=
            QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.constData()), produced / 2);
        if (rc == static_cast<size_t>(-1) && inLeft > 0 && errno != E2BIG) {
            // An invalid or truncated sequence: show a replacement and go on.
            out += QChar::ReplacementCharacter;
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

QString CodePageOf(const QString& fileName) {
    static const QRegularExpression digits(QStringLiteral("(\\d+)\\.[^.]*$"));
    const QRegularExpressionMatch match = digits.match(fileName);
    if (!match.hasMatch()) {
        return QStringLiteral("CP1252");
    }
    return QStringLiteral("CP") + match.captured(1);
}

QString Unquote(QString value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first) {
            return value.mid(1, value.size() - 2);
        }
    }
    return value;
}

std::shared_ptr<const ParsedProfile> Parse(const QString& text) {
    auto profile = std::make_shared<ParsedProfile>();
    QHash<QString, QString>* current = nullptr;
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (const QString& rawLine : lines) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(u';')) {
            continue;
        }
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QString name =
                (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed().toCaseFolded();
            // A repeated section is ignored: lookups stop at the first one.
            current = profile->sections.contains(name) ? nullptr : &profile->sections[name];
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (current == nullptr || equals < 0) {
            continue;
        }
        const QString key = line.left(equals).trimmed().toCaseFolded();
        if (!current->contains(key)) {
            current->insert(key, Unquote(line.mid(equals + 1).trimmed()));
        }
    }
    return profile;
}

std::shared_ptr<const ParsedProfile> Load(const QString& path) {
    const QByteArray nativePath = QFile::encodeName(path);
    struct stat info {};
    if (::stat(nativePath.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return nullptr;
    }
    const std::string cacheKey = nativePath.toStdString();
    std::lock_guard lock(g_cacheMutex);
    CacheEntry& entry = g_cache[cacheKey];
    if (entry.profile && entry.size == info.st_size && entry.inode == info.st_ino &&
        entry.mtime.tv_sec == info.st_mtim.tv_sec && entry.mtime.tv_nsec == info.st_mtim.tv_nsec) {
        return entry.profile;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        g_cache.erase(cacheKey);
        return nullptr;
    }
    const QByteArray bytes = file.readAll();
    entry.profile = Parse(DecodeProfileBytes(bytes, path));
    entry.size = info.st_size;
    entry.inode = info.st_ino;
    entry.mtime = info.st_mtim;
    return entry.profile;
}

} // namespace

QString DecodeProfileBytes(const QByteArray& bytes, const QString& fileName) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const auto encoding =
            bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE;
        QStringDecoder decoder(encoding);
        return decoder.decode(QByteArrayView(bytes).sliced(2));
    }
    if (IsValidUtf8(bytes)) {
        return QString::fromUtf8(bytes);
    }
    return DecodeWithIconv(bytes, CodePageOf(fileName));
}

QString ReadProfileString(const QString& path, const QString& section, const QString& key,
                          const QString& defaultText) {
    const std::shared_ptr<const ParsedProfile> profile = Load(path);
    if (!profile) {
        return defaultText;
    }
    const auto sectionIt = profile->sections.constFind(section.trimmed().toCaseFolded());
    if (sectionIt == profile->sections.constEnd()) {
        return defaultText;
    }
    const auto keyIt = sectionIt->constFind(key.trimmed().toCaseFolded());
    return keyIt == sectionIt->constEnd() ? defaultText : *keyIt;
}
