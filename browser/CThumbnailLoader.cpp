#include "browser/CThumbnailLoader.h"

#include "browser/ThumbnailDecode.h"
#include "browser/ThumbnailNames.h"

#include <set>
#include <system_error>

#include <QDir>
#include <QFileInfo>

CThumbnailLoader::CThumbnailLoader(ThumbnailLoaderCallbacks callbacks)
    : m_callbacks(std::move(callbacks)) {}

CThumbnailLoader::~CThumbnailLoader() {
    {
        std::lock_guard lock(m_lock);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

bool CThumbnailLoader::EnsureWorker() {
    if (m_worker.joinable()) {
        return true;
    }
    try {
        m_worker = std::thread(&CThumbnailLoader::WorkerLoop, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

std::uint64_t CThumbnailLoader::Load(const QString& folder) {
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(m_lock);
        if (!EnsureWorker()) {
            return 0;
        }
        generation = ++m_generation;
        m_folder = folder;
        m_listingDue = true;
        m_refreshes.clear();
        m_pending.clear();
    }
    m_changed.notify_all();
    return generation;
}

void CThumbnailLoader::Refresh(const QString& name) {
    {
        std::lock_guard lock(m_lock);
        if (!m_worker.joinable() || m_folder.isEmpty()) {
            return;
        }
        m_refreshes.push_back(name);
    }
    m_changed.notify_all();
}

std::uint64_t CThumbnailLoader::DecodePicture(const QString& path) {
    std::uint64_t request = 0;
    {
        std::lock_guard lock(m_lock);
        if (!EnsureWorker()) {
            return 0;
        }
        request = ++m_pictureRequests;
        m_pictureDue.emplace(request, path);
    }
    m_changed.notify_all();
    return request;
}

void CThumbnailLoader::WaitUntilIdle() {
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] {
        return m_stop || (!m_busy && !m_listingDue && m_refreshes.empty() && m_pending.empty() &&
                          !m_pictureDue);
    });
}

void CThumbnailLoader::WorkerLoop() {
    std::unique_lock lock(m_lock);
    for (;;) {
        m_busy = false;
        m_changed.notify_all();
        m_changed.wait(lock, [this] {
            return m_stop || m_listingDue || !m_refreshes.empty() || !m_pending.empty() ||
                   m_pictureDue;
        });
        if (m_stop) {
            return;
        }
        m_busy = true;
        const std::uint64_t generation = m_generation;
        const QString folder = m_folder;
        if (m_pictureDue) {
            const auto [request, path] = *std::exchange(m_pictureDue, std::nullopt);
            lock.unlock();
            RunPicture(request, path);
        } else if (m_listingDue) {
            m_listingDue = false;
            lock.unlock();
            RunListing(generation, folder);
        } else {
            const bool refresh = !m_refreshes.empty();
            std::deque<QString>& queue = refresh ? m_refreshes : m_pending;
            const QString name = queue.front();
            queue.pop_front();
            lock.unlock();
            RunThumbnail(generation, folder, name, !refresh);
        }
        lock.lock();
    }
}

void CThumbnailLoader::RunListing(std::uint64_t generation, const QString& folder) {
    const QStringList names = ListThumbnailPictures(folder);
    if (folder != m_cacheFolder) {
        m_cache.clear();
        m_cacheFolder = folder;
    }
    // Forget the thumbnails of files that are gone.
    const std::set<QString> listed(names.begin(), names.end());
    std::erase_if(m_cache, [&](const auto& entry) { return !listed.contains(entry.first); });
    {
        std::lock_guard lock(m_lock);
        if (generation != m_generation) {
            return;
        }
        m_pending.assign(names.begin(), names.end());
    }
    m_callbacks.listed(generation, folder, names);
}

void CThumbnailLoader::RunThumbnail(std::uint64_t generation, const QString& folder,
                                    const QString& name, bool useCache) {
    const QString path = QDir(folder).filePath(name);
    const QFileInfo info(path);
    const qint64 size = info.size();
    const qint64 modified = info.lastModified().toMSecsSinceEpoch();
    CacheEntry& entry = m_cache[name];
    if (!useCache || entry.size != size || entry.modified != modified) {
        CThumbnail thumbnail;
        std::string error;
        const auto cancelled = [this, generation] {
            return m_stop || m_generation != generation;
        };
        const bool made = MakeThumbnailFromFile(path, thumbnail, error, cancelled);
        if (cancelled()) {
            m_cache.erase(name);
            return;
        }
        entry =
            CacheEntry{size, modified, made ? std::optional<CThumbnail>(thumbnail) : std::nullopt};
    }
    m_callbacks.thumbnail(generation, name, entry.thumbnail);
}

void CThumbnailLoader::RunPicture(std::uint64_t request, const QString& path) {
    auto picture = std::make_shared<CDib>();
    const std::optional<ImageType> type = ThumbnailPictureType(path);
    if (!picture->Load(path.toStdU16String(), type.value_or(ImageType::Unknown))) {
        picture.reset();
    }
    m_callbacks.picture(request, path, picture);
}
