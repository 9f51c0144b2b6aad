#include "analysis/ui/ParticleRun.h"

#include "calibration/Calibration.h"
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

CParticleScale CurrentParticleScale() {
    const CUnitConversion conversion = CurrentConversion();
    return {conversion.Length(1.0), g_calibration.unit.toStdString()};
}

std::optional<CParticleResult> RunParticleAnalysis(QWidget* owner, const CDib& picture,
                                                   const CParticleOptions& options,
                                                   const CParticleScale& scale) {
    QProgressDialog progress(
        GetLanguageString("AnalysingParticles", QStringLiteral("Analysing particles…"), 128),
        GetLanguageString("Cancel", QStringLiteral("Cancel"), 64), 0, 100, owner);
    progress.setObjectName(QStringLiteral("ParticleProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setValue(0);

    std::atomic<int> percent{0};
    std::atomic<bool> cancelled{false};
    std::atomic<bool> done{false};
    CParticleResult result;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(kProgressIntervalMs);
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
        result = AnalyseParticles(picture, options, scale, [&](int now) {
            percent = now;
            return !cancelled.load();
        });
        done = true;
    });
    poll.start();
    loop.exec();
    worker.join();
    progress.reset();
    if (cancelled || result.cancelled) {
        return std::nullopt;
    }
    return result;
}
