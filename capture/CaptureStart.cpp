// Starting the bound camera, falling back when the bus is too slow, and the
// watchdog that notices a camera which stopped sending.

#include "capture/CaptureSession.h"
#include "core/Parameters.h"
#include "framework/PostedEvents.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

void RaiseGraphEvent(const std::string& text) {
    {
        std::lock_guard lock(g_captureSession.graphEvents.mutex);
        g_captureSession.graphEvents.events.push_back(text);
    }
    PostToReceiver(ReceiverRole::LiveView, UM_GRAPH_EVENT);
}

std::string FormatText(const CaptureFormat& format) {
    return Fourcc::ToString(format.fourcc) + " at " + std::to_string(format.width) + "x" +
           std::to_string(format.height);
}

std::string Advice(CaptureFailure failure) {
    switch (failure) {
    case CaptureFailure::Busy:
        return " Close the other program that uses the camera, then try again.";
    case CaptureFailure::Bandwidth:
        return " Choose MJPG or a smaller size, or plug the camera into a USB port of its own.";
    case CaptureFailure::Other:
        break;
    }
    return {};
}

void ResetHealth() {
    CFrameHealth& health = g_captureSession.health;
    std::lock_guard lock(health.mutex);
    health.lastGood = Clock::now();
    health.droppedInRow = 0;
    health.lastError.clear();
}

// The offered interval of `size` nearest to `wanted`; nullopt without any.
std::optional<FrameInterval> NearestInterval(const CaptureFrameSize& size, FrameInterval wanted) {
    const auto seconds = [](FrameInterval i) {
        return i.denominator == 0 ? 0.0 : static_cast<double>(i.numerator) / i.denominator;
    };
    const auto nearest = std::min_element(
        size.intervals.begin(), size.intervals.end(), [&](FrameInterval a, FrameInterval b) {
            return std::abs(seconds(a) - seconds(wanted)) < std::abs(seconds(b) - seconds(wanted));
        });
    if (nearest == size.intervals.end()) {
        return std::nullopt;
    }
    return *nearest;
}

// What to try when `failed` did not fit the bus: MJPG at the same size, then
// smaller sizes, largest first (in MJPG when the camera offers it).
std::vector<CaptureFormat> FallbackFormats(const CaptureFormat& failed,
                                           const std::vector<CaptureFormatDesc>& offered) {
    const auto mjpg = std::find_if(offered.begin(), offered.end(), [](const CaptureFormatDesc& d) {
        return d.fourcc == Fourcc::kMJPG;
    });
    const auto own = std::find_if(offered.begin(), offered.end(), [&](const CaptureFormatDesc& d) {
        return d.fourcc == failed.fourcc;
    });
    const CaptureFormatDesc* target = mjpg != offered.end()  ? &*mjpg
                                      : own != offered.end() ? &*own
                                                             : nullptr;
    if (target == nullptr) {
        return {};
    }
    std::vector<CaptureFrameSize> sizes = target->sizes;
    std::stable_sort(sizes.begin(), sizes.end(), [](const auto& a, const auto& b) {
        return a.width * a.height > b.width * b.height;
    });
    std::vector<CaptureFormat> formats;
    const int area = failed.width * failed.height;
    for (const CaptureFrameSize& size : sizes) {
        const bool same = size.width == failed.width && size.height == failed.height;
        const bool smaller = size.width * size.height < area;
        if ((same && target->fourcc != failed.fourcc) || smaller) {
            if (const auto interval = NearestInterval(size, failed.interval)) {
                formats.push_back({target->fourcc, size.width, size.height, *interval});
            }
        }
    }
    return formats;
}

// The camera now streams `format`: the frame size follows, and the surface
// when one was made for the size asked for.
void TakeOverFallback(const CaptureFormat& format) {
    CaptureSession& session = g_captureSession;
    const bool resized = g_captureShared.frameWidth != static_cast<std::uint32_t>(format.width) ||
                         g_captureShared.frameHeight != static_cast<std::uint32_t>(format.height);
    g_captureShared.frameWidth = static_cast<std::uint32_t>(format.width);
    g_captureShared.frameHeight = static_cast<std::uint32_t>(format.height);
    g_parameters.videoformat = ClassifySubtype(format.fourcc);
    session.frameCallback.width = format.width;
    session.frameCallback.height = format.height;
    if (resized && session.surface) {
        PostToReceiver(ReceiverRole::LiveView, UM_SURFACE_CHANGED);
    }
}

CaptureStatus StartWithFallback(const CaptureCallbacks& callbacks) {
    CaptureSession& session = g_captureSession;
    ICaptureDevice& camera = *session.camera;
    CaptureStatus status = camera.StartStreaming(callbacks);
    const auto asked = camera.CurrentFormat();
    if (status || status.failure != CaptureFailure::Bandwidth || session.keepFormat || !asked ||
        asked->fourcc == Fourcc::kMJPG) {
        return status;
    }
    for (const CaptureFormat& format : FallbackFormats(*asked, camera.Formats())) {
        camera.StopStreaming();
        if (!camera.SetFormat(format)) {
            continue;
        }
        const auto taken = camera.CurrentFormat().value_or(format);
        const CaptureStatus retried = camera.StartStreaming(callbacks);
        if (retried) {
            session.startNote = "The USB bus has not enough bandwidth for " + FormatText(*asked) +
                                "; streaming " + FormatText(taken) + " instead.";
            TakeOverFallback(taken);
            return retried;
        }
        if (retried.failure != CaptureFailure::Bandwidth) {
            return retried;
        }
    }
    return status;
}

} // namespace

std::chrono::milliseconds DefaultStallTimeout() {
    const char* text = std::getenv("MARNELO_CAMERA_STALL_MS");
    int value = 0;
    if (text != nullptr &&
        std::from_chars(text, text + std::strlen(text), value).ec == std::errc() && value > 0) {
        return std::chrono::milliseconds(value);
    }
    return std::chrono::milliseconds(3000);
}

int RunCaptureGraph() {
    CaptureSession& session = g_captureSession;
    if (session.running != 0) {
        return 1;
    }
    if (session.built == 0 || session.camera == nullptr) {
        return 0;
    }
    CaptureCallbacks callbacks;
    // Every good frame feeds the watchdog on its way to the frame branch.
    if (session.frameBranch && session.frameCallback.onFrame) {
        callbacks.onFrame = [onFrame = session.frameCallback.onFrame](const CaptureFrame& frame) {
            {
                CFrameHealth& health = g_captureSession.health;
                std::lock_guard lock(health.mutex);
                health.lastGood = Clock::now();
                health.droppedInRow = 0;
            }
            onFrame(frame);
        };
    }
    callbacks.onDropped = [](const std::string& error) {
        CFrameHealth& health = g_captureSession.health;
        std::lock_guard lock(health.mutex);
        ++health.droppedInRow;
        health.lastError = error;
    };
    if (session.stillBranch) {
        callbacks.onStill = session.stillCallback;
    }
    callbacks.onLost = [](const std::string& reason) {
        RaiseGraphEvent(reason);
    };
    ResetHealth();
    session.startNote.clear();
    CaptureStatus status = StartWithFallback(callbacks);
    if (!status) {
        session.camera->StopStreaming();
        status.message =
            session.camera->Info().friendlyName + ": " + status.message + Advice(status.failure);
    }
    session.startStatus = status;
    // Marked running even when starting failed: the caller stops before trying again.
    session.running = 1;
    return 1;
}

bool CaptureStarted() {
    return g_captureSession.running != 0 && g_captureSession.startStatus.ok;
}

StallVerdict CheckCaptureStall() {
    CaptureSession& session = g_captureSession;
    // Without a frame branch nobody sees the frames, nor misses them.
    if (!CaptureStarted() || !session.frameBranch || !session.frameCallback.onFrame) {
        return StallVerdict::Fine;
    }
    Clock::time_point lastGood;
    {
        std::lock_guard lock(session.health.mutex);
        lastGood = session.health.lastGood;
    }
    if (Clock::now() - lastGood < session.stallTimeout) {
        // Frames came after the restart: the next stall earns another one.
        if (session.stallRestarted && lastGood > session.restartedAt) {
            session.stallRestarted = false;
        }
        return StallVerdict::Fine;
    }
    if (session.stallRestarted) {
        return StallVerdict::Lost;
    }
    session.stallRestarted = true;
    StopCaptureGraph();
    RunCaptureGraph();
    session.restartedAt = Clock::now();
    return CaptureStarted() ? StallVerdict::Restarted : StallVerdict::Lost;
}

std::string CaptureLostReason() {
    CaptureSession& session = g_captureSession;
    if (!session.startStatus) {
        return session.startStatus.message;
    }
    const std::string name =
        session.camera != nullptr ? session.camera->Info().friendlyName : std::string("The camera");
    const auto seconds = std::to_string((session.stallTimeout.count() + 999) / 1000);
    std::string reason =
        name + ": no picture came for " + seconds + " s, even after restarting the camera.";
    std::lock_guard lock(session.health.mutex);
    if (!session.health.lastError.empty()) {
        reason += " Last error: " + session.health.lastError;
    }
    return reason;
}

std::string CaptureDecodeTrouble() {
    CFrameHealth& health = g_captureSession.health;
    std::lock_guard lock(health.mutex);
    return health.droppedInRow >= kDroppedFramesShown ? health.lastError : std::string();
}
