#include "shapes/ScaleBar.h"

#include "core/Parameters.h"
#include "framework/ColorContrast.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kMargin = 12;    // from the picture's right and bottom edges
constexpr int kTickHeight = 8; // the upright strokes at both ends of the bar
constexpr int kTextGap = 2;    // between the text's cell and the ticks' tops
constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;

// COLORREF keeps red in the low byte; the contrast wants 0xRRGGBB.
std::uint32_t ToRgb(COLORREF color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

COLORREF HaloFor(COLORREF color) {
    return ContrastRatio(ToRgb(color), 0x000000) >= ContrastRatio(ToRgb(color), 0xFFFFFF) ? kBlack
                                                                                          : kWhite;
}

int BarWidth(const CScaleBarStyle& style) {
    return std::max(2, style.penWidth);
}

QString LengthText(double mantissa, int exponent, const QString& unit) {
    const double value = mantissa * std::pow(10.0, exponent);
    return QString::asprintf("%.*f", std::max(0, -exponent), value) + unit;
}

void DrawBarLines(CDrawContext& dc, const CScaleBarPlacement& at) {
    dc.Line(at.left, at.y, at.right, at.y);
    dc.Line(at.left, at.y, at.left, at.y - kTickHeight);
    dc.Line(at.right, at.y, at.right, at.y - kTickHeight);
}

} // namespace

std::optional<CScaleBarLength>
ChooseScaleBarLength(int pictureWidth, const CUnitConversion& conversion, const QString& unit) {
    const double perPixel = conversion.Length(1.0);
    const double target = perPixel * pictureWidth / 5.0;
    if (pictureWidth <= 0 || !std::isfinite(target) || !(target > 0) ||
        !std::isfinite(1.0 / perPixel)) {
        return std::nullopt;
    }
    // The candidates around the target: 1, 2, 5 × 10ⁿ and 10ⁿ⁺¹, with 10ⁿ
    // the power just below it. Nearest by ratio, so 3 picks 2 and 4 picks 5.
    const int exponent = static_cast<int>(std::floor(std::log10(target)));
    struct Candidate {
        double mantissa;
        int exponent;
    };
    const std::array<Candidate, 4> candidates{
        {{1, exponent}, {2, exponent}, {5, exponent}, {1, exponent + 1}}};
    const Candidate* best = nullptr;
    double bestDistance = 0;
    for (const Candidate& candidate : candidates) {
        const double value = candidate.mantissa * std::pow(10.0, candidate.exponent);
        const double distance = std::abs(std::log(value / target));
        if (best == nullptr || distance < bestDistance) {
            best = &candidate;
            bestDistance = distance;
        }
    }
    CScaleBarLength length;
    length.value = best->mantissa * std::pow(10.0, best->exponent);
    length.pixels = length.value / perPixel;
    length.text = LengthText(best->mantissa, best->exponent, unit);
    return length;
}

CScaleBarStyle CScaleBarStyle::FromSettings() {
    return CScaleBarStyle{static_cast<COLORREF>(g_parameters.linecolor),
                          static_cast<COLORREF>(g_parameters.textcolor), g_parameters.linewidth,
                          g_parameters.textsize};
}

std::optional<CScaleBarPlacement> PlaceScaleBar(double barLength, int right, int bottom,
                                                const CScaleBarStyle& style) {
    if (!std::isfinite(barLength) || barLength < 2) {
        return std::nullopt;
    }
    const int length = static_cast<int>(std::lround(barLength));
    const int margin = kMargin + BarWidth(style);
    const int textHeight = std::max(1, style.textSize);
    CScaleBarPlacement placement;
    placement.right = right - margin;
    placement.left = placement.right - length;
    placement.y = bottom - margin;
    const int textBottom = placement.y - kTickHeight - kTextGap;
    placement.text = QRect(QPoint(placement.left, textBottom - textHeight),
                           QPoint(placement.right - 1, textBottom - 1));
    if (placement.left < margin || placement.text.top() < margin) {
        return std::nullopt;
    }
    return placement;
}

void DrawScaleBar(CDrawContext& dc, const CScaleBarPlacement& placement, const QString& text,
                  const CScaleBarStyle& style) {
    CDrawStateGuard guard(dc);
    dc.SetRasterMode(RasterMode::CopyPen);
    const int width = BarWidth(style);
    dc.SetPen(CPen{PenStyle::Solid, width + 2, HaloFor(style.lineColor)});
    DrawBarLines(dc, placement);
    dc.SetPen(CPen{PenStyle::Solid, width, style.lineColor});
    DrawBarLines(dc, placement);

    CLogFont font;
    font.height = std::max(1, style.textSize);
    dc.SetFont(font);
    dc.SetBackgroundMode(BackgroundMode::Transparent);
    const QRect& box = placement.text;
    const auto centred = [&](int dx, int dy) {
        dc.DrawCenteredText(box.left() + dx, box.top() + dy, box.right() + 1 + dx,
                            box.bottom() + 1 + dy, text);
    };
    dc.SetTextColor(HaloFor(style.textColor));
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx != 0 || dy != 0) {
                centred(dx, dy);
            }
        }
    }
    dc.SetTextColor(style.textColor);
    centred(0, 0);
}

void DrawPictureScaleBar(CDrawContext& dc, int imageWidth, int imageHeight, double zoom,
                         int offsetX, int offsetY, const CUnitConversion& conversion,
                         const QString& unit, const CScaleBarStyle& style) {
    if (!(zoom > 0) || imageHeight <= 0) {
        return;
    }
    const auto length = ChooseScaleBarLength(imageWidth, conversion, unit);
    if (!length) {
        return;
    }
    const int zoomedWidth = static_cast<int>(std::trunc(zoom * imageWidth + 0.5));
    const int zoomedHeight = static_cast<int>(std::trunc(zoom * imageHeight + 0.5));
    const auto placement = PlaceScaleBar(length->pixels * zoom, zoomedWidth, zoomedHeight, style);
    if (!placement) {
        return;
    }
    CScaleBarPlacement moved = *placement;
    moved.left -= offsetX;
    moved.right -= offsetX;
    moved.y -= offsetY;
    moved.text.translate(-offsetX, -offsetY);
    DrawScaleBar(dc, moved, length->text, style);
}

void DrawCurrentScaleBar(CDrawContext& dc, int imageWidth, int imageHeight, double zoom,
                         int offsetX, int offsetY) {
    if (g_parameters.scalebar == 0) {
        return;
    }
    DrawPictureScaleBar(dc, imageWidth, imageHeight, zoom, offsetX, offsetY, CurrentConversion(),
                        g_calibration.unit, CScaleBarStyle::FromSettings());
}
