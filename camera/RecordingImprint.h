#pragma once

#include "camera/FramePipeline.h"

#include <cstdint>
#include <memory>
#include <vector>

#include <QImage>

// A recording sink that draws the live measurements and the scale bar (when
// that setting is on) over each frame at the frame's own size, as a snapshot
// has them, and hands the drawn frame on. Runs on the streaming thread: it
// reads the overlay only through TakeOverlaySnapshot. The camera's own JPEG
// is not passed on, so the file is encoded from the drawn pixels.
class CImprintingSink final : public IFrameSink {
public:
    explicit CImprintingSink(std::shared_ptr<IFrameSink> next);

    void TakeFrame(const CaptureFrame& frame) override;

private:
    std::shared_ptr<IFrameSink> m_next;
    QImage m_canvas;                 // the frame top-down, drawn over
    std::vector<std::uint8_t> m_bgr; // the drawn frame in the delivered layout
};
