#include "camera/FramePipeline.h"

#include "camera/FrameTransform.h"
#include "framework/PostedEvents.h"

#include <cstring>

CFramePipeline g_framePipeline;

namespace {

void PutLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

bool WellFormed(const CaptureFrame& frame) {
    if (frame.bgr == nullptr || frame.width <= 0 || frame.height <= 0) {
        return false;
    }
    const auto rowBytes = static_cast<std::int64_t>(frame.width) * 3;
    return frame.stride >= rowBytes && static_cast<std::int64_t>(frame.stride) * frame.height <=
                                           static_cast<std::int64_t>(frame.bytes);
}

template <class T>
std::shared_ptr<T> Load(const std::shared_ptr<T>& slot) {
    std::lock_guard lock(g_framePipeline.sinkMutex);
    return slot;
}

void KeepCopy(const CaptureFrame& frame) {
    CFramePipeline& p = g_framePipeline;
    const std::size_t length = static_cast<std::size_t>(frame.stride) * frame.height;
    // Buffers only grow; resize keeps the capacity.
    p.spare.bgr.resize(length);
    std::memcpy(p.spare.bgr.data(), frame.bgr, length);
    p.spare.width = frame.width;
    p.spare.height = frame.height;
    p.spare.stride = frame.stride;
    p.spare.sampleTime = static_cast<double>(frame.timestampUs) / 1e6;
    p.spare.sequence = frame.sequence;
    p.spare.keptAt = std::chrono::steady_clock::now();
    std::lock_guard lock(p.copyMutex);
    if (!p.copy) {
        p.copy.emplace();
    }
    std::swap(*p.copy, p.spare);
}

} // namespace

std::array<std::uint8_t, 40> CFrameHeader::Bytes() const {
    std::array<std::uint8_t, 40> bytes{};
    PutLe32(&bytes[0], 40);
    PutLe32(&bytes[4], static_cast<std::uint32_t>(width));
    PutLe32(&bytes[8], static_cast<std::uint32_t>(height));
    bytes[12] = 1;  // planes
    bytes[14] = 24; // bits per pixel; compression 0 is BI_RGB
    PutLe32(&bytes[20], sizeImage);
    return bytes;
}

CFrameHeader MakeFrameHeader(int width, int height) {
    return CFrameHeader{width, height, static_cast<std::uint32_t>(BgrStride(width) * height)};
}

void BufferCB(const CaptureFrame& delivered) {
    CFramePipeline& p = g_framePipeline;
    if (!WellFormed(delivered)) {
        ++p.framesDropped;
        return;
    }
    CaptureFrame frame = delivered;
    const bool mirror = p.flags.mirror.load() == 1;
    const bool rotate = p.flags.rotate.load() == 1;
    if (mirror || rotate) {
        // The camera's buffer is read-only here, so the turned frame is made
        // in our own buffer; the camera's JPEG no longer shows it.
        const std::size_t length = static_cast<std::size_t>(frame.stride) * frame.height;
        p.work.resize(length);
        std::memcpy(p.work.data(), frame.bgr, length);
        TurnFrame(p.work.data(), frame.width, frame.height, frame.stride, mirror, rotate);
        frame.bgr = p.work.data();
        frame.bytes = length;
        frame.compressed = {};
    }

    p.header = MakeFrameHeader(frame.width, frame.height);
    p.frameWidth.store(frame.width);
    p.frameHeight.store(frame.height);

    if (p.flags.stillRequest.exchange(0) == 1) {
        // This frame is not copied: the still picture is the previous one.
        const int kind = p.flags.stillKind.load();
        if (p.stillReady) {
            p.stillReady(kind);
        } else {
            PostToReceiver(ReceiverRole::LiveView, UM_STILL_READY, kind, 0);
        }
    } else if (frame.sequence >= p.settlingFrames.load()) {
        KeepCopy(frame);
    }

    if (p.flags.recording.load() == 1) {
        if (auto recorder = Load(p.recorder)) {
            p.flags.frameWritten.store(1);
            recorder->TakeFrame(frame);
        }
    }
    if (auto presenter = Load(p.presenter)) {
        presenter->TakeFrame(frame);
    }
}

std::optional<CStillFrame> TakeFrameCopy() {
    std::lock_guard lock(g_framePipeline.copyMutex);
    const auto& copy = g_framePipeline.copy;
    if (copy && std::chrono::steady_clock::now() - copy->keptAt > g_framePipeline.maxCopyAge) {
        return std::nullopt;
    }
    return copy;
}

void SetRecorderSink(std::shared_ptr<IFrameSink> sink) {
    std::lock_guard lock(g_framePipeline.sinkMutex);
    g_framePipeline.recorder.swap(sink);
}

void SetPresenterSink(std::shared_ptr<IFrameSink> sink) {
    std::lock_guard lock(g_framePipeline.sinkMutex);
    g_framePipeline.presenter.swap(sink);
}

void ResetFramePipeline() {
    CFramePipeline& p = g_framePipeline;
    {
        std::lock_guard lock(p.copyMutex);
        p.copy.reset();
    }
    p.work = {};
    p.spare = {};
    p.framesDropped = 0;
}
