#include "analysis/particles/ParticleStats.h"

#include "core/Language.h"

#include <algorithm>
#include <cmath>

double ParticleValue(const CParticle& particle, ParticleQuantity quantity) {
    switch (quantity) {
    case ParticleQuantity::Area:
        return particle.area;
    case ParticleQuantity::Perimeter:
        return particle.perimeter;
    case ParticleQuantity::Feret:
        return particle.feret;
    case ParticleQuantity::MinFeret:
        return particle.minFeret;
    case ParticleQuantity::FeretAngle:
        return particle.feretAngle;
    case ParticleQuantity::Circularity:
        return particle.circularity;
    }
    return 0;
}

QString ParticleQuantityName(ParticleQuantity quantity) {
    switch (quantity) {
    case ParticleQuantity::Area:
        return GetLanguageString(QStringLiteral("ParticleArea"), QStringLiteral("Area"), 64);
    case ParticleQuantity::Perimeter:
        return GetLanguageString(QStringLiteral("ParticlePerimeter"), QStringLiteral("Perimeter"),
                                 64);
    case ParticleQuantity::Feret:
        return GetLanguageString(QStringLiteral("ParticleFeret"), QStringLiteral("Feret"), 64);
    case ParticleQuantity::MinFeret:
        return GetLanguageString(QStringLiteral("ParticleMinFeret"), QStringLiteral("Min Feret"),
                                 64);
    case ParticleQuantity::FeretAngle:
        return GetLanguageString(QStringLiteral("ParticleFeretAngle"),
                                 QStringLiteral("Feret angle"), 64);
    case ParticleQuantity::Circularity:
        return GetLanguageString(QStringLiteral("ParticleCircularity"),
                                 QStringLiteral("Circularity"), 64);
    }
    return {};
}

QString ParticleQuantityUnit(ParticleQuantity quantity, const std::string& unit) {
    const QString length = unit.empty() ? QStringLiteral("px") : QString::fromStdString(unit);
    switch (quantity) {
    case ParticleQuantity::Area:
        return length + QStringLiteral("²");
    case ParticleQuantity::FeretAngle:
        return QStringLiteral("°");
    case ParticleQuantity::Circularity:
        return {};
    default:
        return length;
    }
}

CParticleSummary SummariseParticles(const CParticleResult& result) {
    CParticleSummary summary;
    summary.count = static_cast<int>(result.particles.size());
    summary.areaFraction = result.areaFraction;
    if (result.particles.empty()) {
        return summary;
    }
    for (int q = 0; q < kParticleQuantityCount; ++q) {
        const auto quantity = static_cast<ParticleQuantity>(q);
        CQuantityStats& stats = summary.stats[q];
        stats.min = stats.max = ParticleValue(result.particles.front(), quantity);
        double sum = 0;
        for (const CParticle& particle : result.particles) {
            const double value = ParticleValue(particle, quantity);
            sum += value;
            stats.min = std::min(stats.min, value);
            stats.max = std::max(stats.max, value);
        }
        stats.mean = sum / summary.count;
        if (summary.count > 1) {
            double squares = 0;
            for (const CParticle& particle : result.particles) {
                const double d = ParticleValue(particle, quantity) - stats.mean;
                squares += d * d;
            }
            stats.sd = std::sqrt(squares / (summary.count - 1));
        }
    }
    return summary;
}

std::vector<int> ParticleHistogram(const CParticleResult& result, ParticleQuantity quantity,
                                   int bins, double& low, double& high) {
    std::vector<int> counts(static_cast<std::size_t>(std::max(bins, 1)), 0);
    low = high = 0;
    if (result.particles.empty()) {
        return counts;
    }
    const CQuantityStats stats = SummariseParticles(result).stats[static_cast<int>(quantity)];
    low = stats.min;
    high = stats.max;
    const double width = (high - low) / static_cast<double>(counts.size());
    for (const CParticle& particle : result.particles) {
        const double value = ParticleValue(particle, quantity);
        std::size_t bin = width > 0 ? static_cast<std::size_t>((value - low) / width) : 0;
        counts[std::min(bin, counts.size() - 1)] += 1;
    }
    return counts;
}

namespace {

constexpr COLORREF kBarColor = 0x00B45A28; // a medium blue
constexpr COLORREF kInkColor = 0x00000000;
constexpr int kTextHeight = 14;
constexpr int kGap = 3;

QString AxisNumber(double value) {
    return QString::asprintf("%.4g", value);
}

} // namespace

void DrawParticleHistogram(CDrawContext& dc, const std::vector<int>& counts, double low,
                           double high, ParticleQuantity quantity, const std::string& unit, int x,
                           int y, int width, int height) {
    const CDrawStateGuard guard(dc);
    dc.SetRasterMode(RasterMode::CopyPen);
    dc.SetPen(CPen{PenStyle::Solid, 1, kInkColor});
    dc.SetBrush(Brush::White);
    dc.Rectangle(x, y, x + width, y + height);
    CLogFont font;
    font.height = kTextHeight;
    dc.SetFont(font);
    dc.SetTextColor(kInkColor);
    dc.SetBackgroundMode(BackgroundMode::Transparent);
    const QString suffix = ParticleQuantityUnit(quantity, unit);
    const QString title =
        suffix.isEmpty() ? ParticleQuantityName(quantity)
                         : QStringLiteral("%1 (%2)").arg(ParticleQuantityName(quantity), suffix);
    dc.DrawCenteredText(x, y + kGap, x + width, y + kGap + kTextHeight, title);
    // The bars fill the box between the title and the axis numbers.
    const int left = x + kGap;
    const int right = x + width - kGap;
    const int top = y + 2 * kGap + kTextHeight;
    const int bottom = y + height - 2 * kGap - kTextHeight;
    if (right <= left || bottom <= top) {
        return;
    }
    const int tallest = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
    dc.TextOut(left, top, QString::number(tallest));
    dc.Line(left, bottom, right, bottom);
    dc.TextOut(left, bottom + kGap, AxisNumber(low));
    dc.DrawCenteredText((left + right) / 2, bottom + kGap, right + (right - left) / 2,
                        bottom + kGap + kTextHeight, AxisNumber(high));
    if (tallest <= 0) {
        return;
    }
    dc.SetPen(CPen{PenStyle::Solid, 1, kBarColor});
    const double binWidth = static_cast<double>(right - left) / static_cast<double>(counts.size());
    for (std::size_t i = 0; i < counts.size(); ++i) {
        const int barTop = bottom - static_cast<int>(std::lround(static_cast<double>(counts[i]) *
                                                                 (bottom - top) / tallest));
        const int from = left + static_cast<int>(std::lround(binWidth * static_cast<double>(i)));
        const int to = left + static_cast<int>(std::lround(binWidth * static_cast<double>(i + 1)));
        // One column short of the next bar, so that neighbouring bars stay apart.
        for (int column = from; barTop < bottom && column < std::max(from + 1, to - 1); ++column) {
            dc.Line(column, bottom, column, barTop);
        }
    }
}
