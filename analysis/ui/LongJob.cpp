#include "analysis/ui/LongJob.h"

#include "core/Language.h"

#include <atomic>
#include <thread>

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

namespace {

// How often the dialog shows the progress the worker reported.
constexpr int kProgressIntervalMs = 50;

} // namespace

bool RunLongJob(QWidget* owner, const QString& text, const QString& objectName,
                const std::function<void(const LongJobProgress& progress)>& work, int showAfterMs) {
    QProgressDialog progress(text, GetLanguageString("Cancel", QStringLiteral("Cancel"), 64), 0,
                             100, owner);
    progress.setObjectName(objectName);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(showAfterMs);
    progress.setValue(0);
    if (showAfterMs <= 0) {
        progress.show();
    }

    std::atomic<int> percent{0};
    std::atomic<bool> cancelled{false};
    std::atomic<bool> done{false};
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(kProgressIntervalMs);
    // Cancel is looked at before the end, so a click that came in time wins
    // over a worker that finished meanwhile.
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (progress.wasCanceled()) {
            cancelled = true;
        }
        progress.setValue(percent.load());
        if (done) {
            loop.quit();
        }
    });
    std::thread worker([&] {
        work([&](int now) {
            percent = now;
            return !cancelled.load();
        });
        done = true;
    });
    poll.start();
    loop.exec();
    worker.join();
    progress.reset();
    return !cancelled;
}
