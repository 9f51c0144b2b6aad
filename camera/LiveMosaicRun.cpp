#include "camera/LiveMosaicRun.h"

#include "framework/Colorref.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <opencv2/core.hpp>

namespace {

std::mutex g_runMutex;
std::shared_ptr<CLiveMosaicRun> g_run; // guarded by g_runMutex

const COLORREF kPlaced = MakeColorref(0, 220, 0);
const COLORREF kFailed = MakeColorref(255, 0, 0);

std::shared_ptr<const CLiveMosaicShown> Describe(const CLiveMosaic& mosaic,
                                                 const CLiveMosaicStep& step, int seen) {
    auto shown = std::make_shared<CLiveMosaicShown>();
    cv::Point origin;
    cv::Mat overview = mosaic.Overview(origin);
    if (!overview.empty()) {
        // Whole blocks cover more than the frames did: only the covered part.
        constexpr int kShrink = CMosaicCanvas::kShrink;
        const cv::Rect bounds = mosaic.Bounds();
        const cv::Point from((bounds.x - origin.x) / kShrink, (bounds.y - origin.y) / kShrink);
        const cv::Rect covered =
            cv::Rect(from, cv::Size(bounds.width / kShrink, bounds.height / kShrink)) &
            cv::Rect(cv::Point(), overview.size());
        if (!covered.empty()) {
            overview = overview(covered);
            origin += covered.tl() * kShrink;
        }
        cv::Mat bottomUp;
        cv::flip(overview, bottomUp, 0);
        shown->width = bottomUp.cols;
        shown->height = bottomUp.rows;
        shown->overview.assign(bottomUp.datastart, bottomUp.dataend);
    }
    shown->origin = origin;
    shown->field = cv::Rect2d(step.at, cv::Size2d(mosaic.FrameSize()));
    shown->failure = step.failure;
    shown->framesAdded = mosaic.FramesAdded();
    shown->framesSeen = seen;
    return shown;
}

} // namespace

CLiveMosaicRun::CLiveMosaicRun()
    : m_worker([this] { Work(); }) {}

CLiveMosaicRun::~CLiveMosaicRun() {
    Stop();
}

void CLiveMosaicRun::Offer(const CaptureFrame& frame) {
    if (frame.bgr == nullptr || frame.width <= 0 || frame.height <= 0) {
        return;
    }
    const cv::Mat rows(frame.height, frame.width, CV_8UC3, const_cast<std::uint8_t*>(frame.bgr),
                       static_cast<std::size_t>(frame.stride));
    cv::Mat upright;
    cv::flip(rows, upright, 0);
    {
        std::lock_guard lock(m_mutex);
        if (m_stop) {
            return;
        }
        m_waiting = std::move(upright);
    }
    m_wake.notify_one();
}

std::shared_ptr<const CLiveMosaicShown> CLiveMosaicRun::Shown() const {
    std::lock_guard lock(m_mutex);
    return m_shown;
}

void CLiveMosaicRun::Work() {
    int seen = 0;
    for (;;) {
        cv::Mat frame;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_waiting.empty(); });
            if (m_stop) {
                return;
            }
            frame = std::move(m_waiting);
            m_waiting = cv::Mat();
        }
        const CLiveMosaicStep step = m_mosaic.Add(frame);
        auto shown = Describe(m_mosaic, step, ++seen);
        std::lock_guard lock(m_mutex);
        m_shown = std::move(shown);
    }
}

void CLiveMosaicRun::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

CDib CLiveMosaicRun::Finish() {
    Stop();
    CDib picture;
    if (m_mosaic.FramesAdded() == 0) {
        return picture;
    }
    const cv::Mat mosaic = m_mosaic.Picture();
    if (!picture.Create(mosaic.cols, mosaic.rows, 24)) {
        return CDib();
    }
    for (int y = 0; y < mosaic.rows; ++y) {
        std::memcpy(picture.Row(picture.StoredRow(y)), mosaic.ptr(y),
                    static_cast<std::size_t>(mosaic.cols) * 3);
    }
    return picture;
}

void SetLiveMosaic(std::shared_ptr<CLiveMosaicRun> run) {
    std::lock_guard lock(g_runMutex);
    g_run.swap(run);
}

std::shared_ptr<CLiveMosaicRun> LiveMosaicRun() {
    std::lock_guard lock(g_runMutex);
    return g_run;
}

void DrawLiveMosaic(CDrawContext& dc, const CLiveMosaicShown* shown, int width, int height) {
    CDrawStateGuard state(dc);
    // One grey pixel stretched over the surface.
    static constexpr std::uint8_t kGrey[4] = {0x50, 0x50, 0x50, 0};
    dc.StretchBitmap(0, 0, width, height, CBitmapView{1, 1, 24, 4, kGrey});
    if (shown == nullptr || shown->width == 0) {
        return;
    }
    // Mosaic pixels to surface pixels: the overview fitted and centred.
    const double fit = std::min(static_cast<double>(width) / shown->width,
                                static_cast<double>(height) / shown->height);
    const int shownWidth = std::max(1, static_cast<int>(std::lround(shown->width * fit)));
    const int shownHeight = std::max(1, static_cast<int>(std::lround(shown->height * fit)));
    const int left = (width - shownWidth) / 2;
    const int top = (height - shownHeight) / 2;
    const CBitmapView picture{shown->width, shown->height, 24,
                              static_cast<std::size_t>(shown->width) * 3, shown->overview.data()};
    dc.StretchBitmap(left, top, shownWidth, shownHeight, picture);

    const double scale = fit / CMosaicCanvas::kShrink;
    auto x = [&](double mosaicX) {
        return left + static_cast<int>(std::lround((mosaicX - shown->origin.x) * scale));
    };
    auto y = [&](double mosaicY) {
        return top + static_cast<int>(std::lround((mosaicY - shown->origin.y) * scale));
    };
    const bool placed = shown->failure == LiveMosaicFailure::None;
    dc.SetPen(CPen{PenStyle::Solid, 2, placed ? kPlaced : kFailed});
    dc.SetBrush(Brush::Hollow);
    dc.Rectangle(x(shown->field.x), y(shown->field.y), x(shown->field.br().x),
                 y(shown->field.br().y));
}
