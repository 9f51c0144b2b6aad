#include "analysis/ui/CParticlePreview.h"

#include "analysis/particles/ParticleAnalysis.h"

#include <cstdint>
#include <vector>

namespace {

QImage TintOf(const std::vector<std::uint8_t>& mask, int width, int height) {
    QImage tint(width, height, QImage::Format_ARGB32);
    if (tint.isNull() || mask.size() != static_cast<std::size_t>(width) * height) {
        return {};
    }
    const std::uint8_t* in = mask.data();
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(tint.scanLine(y));
        for (int x = 0; x < width; ++x) {
            out[x] = *in++ != 0 ? CParticlePreview::kTint : 0;
        }
    }
    return tint;
}

} // namespace

CParticlePreview::CParticlePreview(CDib picture, QObject* parent)
    : QObject(parent)
    , m_picture(std::move(picture)) {
    m_worker = std::thread([this] { Work(); });
}

CParticlePreview::~CParticlePreview() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_worker.join();
}

void CParticlePreview::Request(const CParticleOptions& options) {
    {
        const std::lock_guard lock(m_mutex);
        m_next = options;
        m_nextGeneration = ++m_requested;
    }
    m_wake.notify_one();
}

void CParticlePreview::Work() {
    std::vector<std::uint8_t> mask;
    for (;;) {
        CParticleOptions options;
        int generation = 0;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || m_next.has_value(); });
            if (m_stop) {
                return;
            }
            options = *m_next;
            generation = m_nextGeneration;
            m_next.reset();
        }
        ThresholdMask(m_picture, options, mask);
        const int threshold = options.method == ThresholdMethod::Manual
                                  ? options.manualThreshold
                                  : ParticleThreshold(m_picture, options);
        QImage tint = TintOf(mask, m_picture.Width(), m_picture.Height());
        QMetaObject::invokeMethod(
            this, [this, generation, tint, threshold] { Answer(generation, tint, threshold); },
            Qt::QueuedConnection);
    }
}

void CParticlePreview::Answer(int generation, QImage tint, int threshold) {
    m_answered = generation;
    m_tint = std::move(tint);
    m_threshold = threshold;
    emit ready();
}
