#include "image/StillPicture.h"

#include <chrono>

using namespace std::chrono_literals;

CStillPicture::CStillPicture(AdjustmentCallbacks callbacks)
    : m_callbacks(std::move(callbacks)) {}

CStillPicture::~CStillPicture() {
    StopAdjustments();
}

bool CStillPicture::Open(const std::filesystem::path& path, ImageType type) {
    StopAdjustments();
    CDib loaded;
    CDib backup;
    if (!loaded.Load(path, type)) {
        m_error = loaded.LastError();
        return false;
    }
    if (!backup.CopyFrom(loaded)) {
        m_error = backup.LastError();
        return false;
    }
    {
        std::lock_guard lock(m_imageLock);
        m_image.SwapContent(loaded);
    }
    m_backup.SwapContent(backup);
    m_error.clear();
    return true;
}

bool CStillPicture::Adopt(CDib picture) {
    StopAdjustments();
    CDib backup;
    if (!backup.CopyFrom(picture)) {
        m_error = backup.LastError();
        return false;
    }
    {
        std::lock_guard lock(m_imageLock);
        m_image.SwapContent(picture);
    }
    m_backup.SwapContent(backup);
    m_error.clear();
    return true;
}

void CStillPicture::Start(AreaOperation operation, std::optional<PictureRect> area) {
    {
        std::lock_guard lock(m_jobLock);
        m_jobs.push_back(Job{operation, area});
        if (m_workerRunning) {
            return;
        }
    }
    // The previous worker has left its loop; only its thread remains to join.
    if (m_worker.joinable()) {
        m_worker.join();
    }
    {
        std::lock_guard lock(m_jobLock);
        m_workerRunning = true;
    }
    m_worker = std::thread(&CStillPicture::WorkerLoop, this);
}

void CStillPicture::StopAdjustments() {
    {
        std::lock_guard lock(m_jobLock);
        m_jobs.clear();
        if (m_current != nullptr) {
            m_current->SetEscape(true);
        }
    }
    WaitUntilIdle();
}

void CStillPicture::RestoreBackup() {
    StopAdjustments();
    std::lock_guard lock(m_imageLock);
    if (!m_image.CopyFrom(m_backup)) {
        m_error = m_image.LastError();
    }
}

bool CStillPicture::IsBusy() const {
    std::lock_guard lock(m_jobLock);
    return m_workerRunning;
}

void CStillPicture::WaitUntilIdle() {
    {
        std::unique_lock lock(m_jobLock);
        m_jobChanged.wait(lock, [this] { return !m_workerRunning; });
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void CStillPicture::WorkerLoop() {
    while (true) {
        Job job;
        {
            std::lock_guard lock(m_jobLock);
            if (m_jobs.empty()) {
                m_workerRunning = false;
                m_jobChanged.notify_all();
                return;
            }
            job = m_jobs.front();
            m_jobs.pop_front();
        }
        RunJob(job);
    }
}

void CStillPicture::RunJob(const Job& job) {
    CDib work;
    {
        // From here on a stop request reaches this job through the copy.
        std::lock_guard lock(m_jobLock);
        m_current = &work;
    }
    bool copied = false;
    {
        std::lock_guard lock(m_imageLock);
        copied = m_image.IsValid() && work.CopyFrom(m_image);
    }
    if (copied) {
        if (job.area) {
            SelectPictureRect(work, *job.area);
        }
        work.SetProgress(0);
        std::mutex doneLock;
        std::condition_variable doneChanged;
        bool done = false;
        std::thread reporter([&] {
            std::unique_lock lock(doneLock);
            while (!doneChanged.wait_for(lock, 333ms, [&] { return done; })) {
                if (work.Escape()) {
                    break;
                }
                const int percent = work.Progress();
                lock.unlock();
                if (m_callbacks.progress) {
                    m_callbacks.progress(percent);
                }
                lock.lock();
            }
            lock.unlock();
            if (m_callbacks.progress) {
                m_callbacks.progress(100);
            }
            std::this_thread::sleep_for(111ms);
            if (m_callbacks.finished) {
                m_callbacks.finished();
            }
        });
        const bool completed = ApplyAreaOperation(work, job.operation) && !work.Escape();
        if (completed) {
            {
                std::lock_guard lock(m_imageLock);
                m_image.SwapContent(work);
            }
            if (m_callbacks.changed) {
                m_callbacks.changed();
            }
        }
        work.SetProgress(100);
        {
            std::lock_guard lock(doneLock);
            done = true;
        }
        doneChanged.notify_all();
        reporter.join();
    }
    std::lock_guard lock(m_jobLock);
    m_current = nullptr;
}
