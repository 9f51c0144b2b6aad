#pragma once

#include "analysis/particles/ParticleOptions.h"
#include "image/Dib.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include <QImage>
#include <QObject>

// The live preview of the particle options: the pixels they would take as
// objects, as a tint the size of the picture (objects tinted, the rest
// transparent). Thresholding a large picture with flattening takes longer
// than a slider step, so it runs on a thread of its own; requests made
// meanwhile collapse into the latest, so the preview never lags behind by
// more than one answer and the window never waits. GUI thread only, apart
// from the worker it owns.
class CParticlePreview : public QObject {
    Q_OBJECT
public:
    static constexpr QRgb kTint = 0x90FF2020; // translucent red

    explicit CParticlePreview(CDib picture, QObject* parent = nullptr);
    // Stops and waits for the worker; an answer still on its way is dropped.
    ~CParticlePreview() override;

    void Request(const CParticleOptions& options);
    // True from a request until its answer (or a later one) arrived.
    bool Pending() const { return m_answered != m_requested; }

    // The latest answer: the tint, and the grey level the options chose.
    const QImage& Tint() const { return m_tint; }
    int Threshold() const { return m_threshold; }

signals:
    void ready();

private:
    void Work();
    void Answer(int generation, QImage tint, int threshold);

    const CDib m_picture;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<CParticleOptions> m_next; // guarded by m_mutex
    int m_nextGeneration = 0;               // guarded by m_mutex
    bool m_stop = false;                    // guarded by m_mutex
    std::thread m_worker;

    int m_requested = 0;
    int m_answered = 0;
    QImage m_tint;
    int m_threshold = -1;
};
