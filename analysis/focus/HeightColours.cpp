#include "analysis/focus/HeightColours.h"

#include "analysis/focus/FocusImage.h"
#include "core/Language.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <opencv2/imgproc.hpp>

namespace {

constexpr std::uint8_t kUnknownGrey = 128;

// Low heights blue, high ones red, through a scale that stays readable for
// colour-blind users and in print.
cv::Vec3b HeightColour(double share) {
    static const cv::Mat table = [] {
        cv::Mat ramp(256, 1, CV_8U);
        for (int i = 0; i < 256; ++i) {
            ramp.at<std::uint8_t>(i) = static_cast<std::uint8_t>(i);
        }
        cv::Mat colours;
        cv::applyColorMap(ramp, colours, cv::COLORMAP_TURBO);
        return colours;
    }();
    const int index = static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * 255));
    return table.at<cv::Vec3b>(index);
}

double Share(const CHeightMap& map, double height) {
    return map.high > map.low ? (height - map.low) / (map.high - map.low) : 0.5;
}

// A round tick step giving about `ticks` intervals over the range.
double TickStep(double range, int ticks) {
    if (!(range > 0)) {
        return 1;
    }
    const double raw = range / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double nice : {1.0, 2.0, 2.5, 5.0}) {
        if (nice * power >= raw) {
            return nice * power;
        }
    }
    return 10 * power;
}

} // namespace

int HeightLegendWidth(int pictureHeight) {
    return std::clamp(pictureHeight / 4, 90, 160);
}

CDib HeightMapColours(const CHeightMap& map, int legendWidth) {
    const int width = map.width + std::max(0, legendWidth);
    cv::Mat picture(map.height, width, CV_8UC3, cv::Scalar::all(255));
    for (int y = 0; y < map.height; ++y) {
        const float* h = map.heights.data() + static_cast<std::size_t>(y) * map.width;
        auto* out = picture.ptr<cv::Vec3b>(y);
        for (int x = 0; x < map.width; ++x) {
            out[x] = std::isnan(h[x]) ? cv::Vec3b(kUnknownGrey, kUnknownGrey, kUnknownGrey)
                                      : HeightColour(Share(map, h[x]));
        }
    }
    return BgrToDib(picture);
}

void DrawHeightLegend(CDrawContext& dc, const CHeightMap& map, int x, int y, int width,
                      int height) {
    const CDrawStateGuard guard(dc);
    const int fontHeight = std::clamp(height / 20, 11, 18);
    CLogFont font;
    font.height = fontHeight;
    dc.SetFont(font);
    dc.SetTextColor(0);
    dc.SetBackgroundMode(BackgroundMode::Transparent);
    const QString unit = map.unit.empty() ? GetLanguageString("HeightLegendSlices", "slices", 20)
                                          : QString::fromStdString(map.unit);
    const int margin = fontHeight / 2 + 2;
    dc.TextOut(x + margin, y + margin / 2, unit);
    // The bar, high at the top, with room for the unit above it and half a
    // label below it.
    const int barLeft = x + margin;
    const int barWidth = std::max(8, width / 5);
    const int barTop = y + 2 * fontHeight + margin;
    const int barBottom = y + height - fontHeight - margin;
    if (barBottom - barTop < 8) {
        return;
    }
    const int barHeight = barBottom - barTop;
    CDib bar;
    if (!bar.Create(1, barHeight, 24)) {
        return;
    }
    for (int row = 0; row < barHeight; ++row) {
        const cv::Vec3b c = HeightColour(1.0 - (row + 0.5) / barHeight);
        std::memcpy(bar.Row(bar.StoredRow(row)), c.val, 3);
    }
    bar.Draw(dc, barLeft, barTop, barWidth, barHeight);
    dc.SetPen(CPen{});
    dc.SetBrush(Brush::Hollow);
    dc.Rectangle(barLeft, barTop, barLeft + barWidth, barBottom);

    // Ticks at round values, labelled without the locale's separators.
    const double range = map.high - map.low;
    const double step = TickStep(range, 5);
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    const double first = std::ceil(map.low / step - 1e-9) * step;
    for (double value = first; value <= map.high + step * 1e-6; value += step) {
        const double share = range > 0 ? (value - map.low) / range : 0.5;
        const int ty = barBottom - static_cast<int>(std::lround(share * barHeight));
        dc.Line(barLeft + barWidth, ty, barLeft + barWidth + 5, ty);
        dc.TextOut(barLeft + barWidth + 8, ty - fontHeight / 2,
                   QString::asprintf("%.*f", decimals, value + 0.0));
        if (!(range > 0)) {
            break;
        }
    }
}

CDib HeightMapPicture(const CHeightMap& map, const CDrawSurfaceFactory& surfaces) {
    const int legend = HeightLegendWidth(map.height);
    const CDib colours = HeightMapColours(map, legend);
    CDib drawn;
    const std::unique_ptr<CDrawSurface> surface =
        colours.IsValid() ? surfaces(colours.Width(), colours.Height()) : nullptr;
    if (!surface) {
        return drawn;
    }
    colours.Draw(surface->Context(), 0, 0, colours.Width(), colours.Height());
    DrawHeightLegend(surface->Context(), map, map.width, 0, legend, map.height);
    drawn.CreateFromSurface(surface->Pixels());
    return drawn;
}
