#pragma once

#include "browser/ThumbnailImage.h"
#include "image/Dib.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include <QString>
#include <QStringList>

// What the loader hands its owner, from its own thread. The owner posts them
// on to the GUI thread; a result whose generation is not the latest load's
// belongs to a cancelled load and is to be dropped.
struct ThumbnailLoaderCallbacks {
    // The folder's listed names in display order, before any thumbnail.
    std::function<void(std::uint64_t generation, const QString& folder, const QStringList& names)>
        listed;
    // One finished thumbnail; nullopt when the file does not decode.
    std::function<void(std::uint64_t generation, const QString& name,
                       const std::optional<CThumbnail>& thumbnail)>
        thumbnail;
    // A picture decoded whole (DecodePicture); null when it does not decode.
    std::function<void(std::uint64_t request, const QString& path,
                       const std::shared_ptr<const CDib>& picture)>
        picture;
};

// Lists the snapshot folder and makes its thumbnails one after the other on
// one worker thread, so the window never waits for a picture and the first
// thumbnails show while the rest load. One load at a time: a new load cancels
// the one under way, also in the middle of a picture. Thumbnails of files
// that kept their size and modification time since the last load come from a
// cache instead of the decoder.
//
// Threads: the member functions are for the owner's thread; the callbacks run
// on the worker.
class CThumbnailLoader {
public:
    explicit CThumbnailLoader(ThumbnailLoaderCallbacks callbacks);
    // Cancels the work under way and waits for the worker to end.
    ~CThumbnailLoader();
    CThumbnailLoader(const CThumbnailLoader&) = delete;
    CThumbnailLoader& operator=(const CThumbnailLoader&) = delete;

    // Starts listing `folder` and making its thumbnails, cancelling the load
    // under way. The new generation, or 0 when no worker thread could start.
    std::uint64_t Load(const QString& folder);
    // Makes the thumbnail of one file of the loaded folder again, ahead of
    // the remaining ones (a picture just written under a listed name).
    void Refresh(const QString& name);
    // Decodes the picture at `path` whole, ahead of any thumbnail; a request
    // not yet begun is replaced by a newer one. 0 when no worker could start.
    std::uint64_t DecodePicture(const QString& path);

    std::uint64_t generation() const { return m_generation.load(); }
    // Blocks until nothing is queued or running (tests and shutdown).
    void WaitUntilIdle();

private:
    struct CacheEntry {
        qint64 size = -1;
        qint64 modified = 0;
        std::optional<CThumbnail> thumbnail;
    };

    bool EnsureWorker();
    void WorkerLoop();
    void RunListing(std::uint64_t generation, const QString& folder);
    void RunThumbnail(std::uint64_t generation, const QString& folder, const QString& name,
                      bool useCache);
    void RunPicture(std::uint64_t request, const QString& path);

    ThumbnailLoaderCallbacks m_callbacks;
    std::atomic<std::uint64_t> m_generation{0};
    std::atomic<bool> m_stop{false};

    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_busy = false;
    bool m_listingDue = false;
    QString m_folder;
    std::deque<QString> m_refreshes;
    std::deque<QString> m_pending;
    std::optional<std::pair<std::uint64_t, QString>> m_pictureDue;
    std::uint64_t m_pictureRequests = 0;
    std::thread m_worker;

    // Worker thread only.
    QString m_cacheFolder;
    std::map<QString, CacheEntry> m_cache;
};
