#include "analysis/ui/ParticleReportPicture.h"

#include "analysis/particles/ParticleStats.h"
#include "framework/QImageDrawSurface.h"
#include "image/Dib.h"

#include <algorithm>

namespace {

constexpr int kHistogramWidth = 640;
constexpr int kHistogramHeight = 320;
constexpr int kBins = 10;

} // namespace

bool AppendParticleHistogram(CDib& picture, const CParticleResult& result) {
    if (result.particles.empty()) {
        return false;
    }
    const int above = picture.IsValid() ? picture.Height() : 0;
    const int width = std::max(picture.IsValid() ? picture.Width() : 0, kHistogramWidth);
    const std::unique_ptr<CQImageDrawSurface> surface =
        CQImageDrawSurface::Create(width, above + kHistogramHeight);
    if (!surface) {
        return false;
    }
    if (picture.IsValid()) {
        picture.Draw(surface->Context(), 0, 0, picture.Width(), picture.Height());
    }
    double low = 0;
    double high = 0;
    const std::vector<int> counts =
        ParticleHistogram(result, ParticleQuantity::Area, kBins, low, high);
    DrawParticleHistogram(surface->Context(), counts, low, high, ParticleQuantity::Area,
                          result.unit, 0, above, width, kHistogramHeight);
    CDib composed;
    if (!composed.CreateFromSurface(surface->Pixels())) {
        return false;
    }
    picture = std::move(composed);
    return true;
}
