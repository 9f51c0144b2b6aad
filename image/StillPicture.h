#pragma once

#include "image/Adjustments.h"
#include "image/Dib.h"

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// What an adjustment tells its picture's owner. The calls come from the
// adjustment's own threads; the owner turns them into posted events.
struct AdjustmentCallbacks {
    // Progress thread, about every 333 ms while an operation runs, then 100.
    std::function<void(int percent)> progress;
    // Worker thread, right after the result replaced the displayed picture.
    std::function<void()> changed;
    // Progress thread, 111 ms after the final progress: the operation is over.
    std::function<void()> finished;
};

// The picture of a still-image document: the displayed image, the backup
// taken when it was opened, and the area adjustments that run on it.
//
// Adjustments run one after the other on a worker thread. Each works on a
// copy of the displayed image and swaps its result in under the lock that
// painting holds (Read), so a painter never sees a buffer being replaced.
// An adjustment that is stopped leaves the displayed image as it was.
//
// Threads: every member function is for the owner's (GUI) thread; only the
// callbacks run elsewhere. Release a ReadAccess before calling any other
// member: stopping waits for a worker that may need the lock to finish.
class CStillPicture {
public:
    explicit CStillPicture(AdjustmentCallbacks callbacks = {});
    // Stops the running adjustment, drops queued ones and waits for them.
    ~CStillPicture();
    CStillPicture(const CStillPicture&) = delete;
    CStillPicture& operator=(const CStillPicture&) = delete;

    // Decodes the file (after stopping adjustments) and takes the backup.
    // On failure the previous picture stays and LastError() says why.
    bool Open(const std::filesystem::path& path, ImageType type);
    const std::string& LastError() const { return m_error; }
    // Shows a picture made in memory (after stopping adjustments) and takes
    // it as the backup; false, nothing changed, when it cannot be copied.
    bool Adopt(CDib picture);

    // Queues `operation`; with `area` it applies to that rectangle only
    // (the selection is replaced), without it to the current selection.
    void Start(AreaOperation operation, std::optional<PictureRect> area);
    // Stops the running adjustment, drops queued ones, waits until idle.
    void StopAdjustments();
    // Stops adjustments and puts the picture back as it was opened.
    void RestoreBackup();
    bool IsBusy() const;
    void WaitUntilIdle();

    // Shared access to the displayed image for painting, saving and reading
    // pixels; the worker cannot swap while one is alive.
    class ReadAccess {
    public:
        const CDib& image() const { return *m_image; }
        const CDib* operator->() const { return m_image; }

    private:
        friend class CStillPicture;
        ReadAccess(std::mutex& lock, const CDib& image)
            : m_lock(lock)
            , m_image(&image) {}
        std::unique_lock<std::mutex> m_lock;
        const CDib* m_image;
    };
    ReadAccess Read() const { return ReadAccess(m_imageLock, m_image); }
    const CDib& Backup() const { return m_backup; }

private:
    struct Job {
        AreaOperation operation;
        std::optional<PictureRect> area;
    };
    void WorkerLoop();
    void RunJob(const Job& job);

    AdjustmentCallbacks m_callbacks;
    CDib m_image;
    CDib m_backup;
    std::string m_error;
    mutable std::mutex m_imageLock;

    mutable std::mutex m_jobLock;
    std::condition_variable m_jobChanged;
    std::deque<Job> m_jobs;
    bool m_workerRunning = false;
    CDib* m_current = nullptr; // the copy the running job works on
    std::thread m_worker;
};
