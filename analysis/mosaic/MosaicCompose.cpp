#include "analysis/mosaic/MosaicTiles.h"
#include "analysis/mosaic/Stitch.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace {

constexpr int kBandRows = 256;

// The factor each tile pixel is multiplied by before its gain: the inverse
// of the flat field or of the radial model.
cv::Mat CorrectionMap(const CStitchPlan& plan) {
    if (!plan.flatField.empty()) {
        cv::Mat inverse;
        cv::divide(1.0, plan.flatField, inverse, CV_32F);
        return inverse;
    }
    cv::Mat map(plan.tileHeight, plan.tileWidth, CV_32F);
    const double cx = plan.tileWidth / 2.0, cy = plan.tileHeight / 2.0;
    const double halfDiagonal2 = cx * cx + cy * cy;
    for (int y = 0; y < map.rows; ++y) {
        float* row = map.ptr<float>(y);
        const double dy = y + 0.5 - cy;
        for (int x = 0; x < map.cols; ++x) {
            const double dx = x + 0.5 - cx;
            row[x] =
                static_cast<float>(1 / plan.vignetting.Factor((dx * dx + dy * dy) / halfDiagonal2));
        }
    }
    return map;
}

// Where a tile lands in the mosaic: the columns (rows) whose centre lies
// within its footprint, the fraction for resampling and the feather weight,
// which grows with the distance to the tile's nearer edge so that
// overlapping tiles fade into each other.
struct CAxis {
    int first = 0, last = -1; // mosaic pixels covered, ends included
    double at = 0;            // the tile's sub-pixel start
    int size = 0;
    CAxis(double start, int length, int limit)
        : at(start)
        , size(length) {
        first = std::max(0, static_cast<int>(std::ceil(start - 0.5)));
        last = std::min(limit - 1, static_cast<int>(std::floor(start + length - 0.5)));
    }
    // The tile coordinate of mosaic pixel p: index and fraction.
    int Index(int p, double& fraction) const {
        const double u = p - at;
        const double floor = std::floor(u);
        fraction = u - floor;
        return static_cast<int>(floor);
    }
    float Weight(int p) const {
        const double u = p - at;
        return static_cast<float>(std::max(0.5, std::min(u + 1, size - u)));
    }
};

class CBandComposer {
public:
    CBandComposer(const CStitchPlan& plan)
        : m_plan(plan)
        , m_correction(CorrectionMap(plan))
        , m_sum(kBandRows, plan.width, CV_32FC3)
        , m_weight(kBandRows, plan.width, CV_32F)
        , m_out(kBandRows, plan.width, CV_8UC3) {}

    // Rows y0..y0+rows-1 of the mosaic into m_out.
    bool Compose(int y0, int rows, std::string& error) {
        m_sum.setTo(0);
        m_weight.setTo(0);
        for (std::size_t i = 0; i < m_plan.tiles.size(); ++i) {
            const CTilePlacement& tile = m_plan.tiles[i];
            if (!tile.placed) {
                continue;
            }
            const CAxis across(tile.x, m_plan.tileWidth, m_plan.width);
            const CAxis down(tile.y, m_plan.tileHeight, m_plan.height);
            if (down.last < y0) {
                m_cache.erase(i);
                continue;
            }
            if (down.first >= y0 + rows) {
                continue;
            }
            const CDib* picture = Picture(i, error);
            if (picture == nullptr) {
                return false;
            }
            AddTile(*picture, tile.gain, across, down, y0, rows);
        }
        for (int r = 0; r < rows; ++r) {
            const cv::Vec3f* sum = m_sum.ptr<cv::Vec3f>(r);
            const float* weight = m_weight.ptr<float>(r);
            std::uint8_t* out = m_out.ptr<std::uint8_t>(r);
            for (int x = 0; x < m_plan.width; ++x) {
                const float w = weight[x] > 0 ? 1 / weight[x] : 0;
                for (int c = 0; c < 3; ++c) {
                    out[3 * x + c] = cv::saturate_cast<std::uint8_t>(sum[x][c] * w);
                }
            }
        }
        return true;
    }

    const cv::Mat& Band() const { return m_out; }

private:
    const CDib* Picture(std::size_t i, std::string& error) {
        auto found = m_cache.find(i);
        if (found != m_cache.end()) {
            return found->second.get();
        }
        auto picture = std::make_unique<CDib>();
        if (!LoadColourTile(m_plan.tiles[i].file, *picture, error)) {
            return nullptr;
        }
        if (picture->Width() != m_plan.tileWidth || picture->Height() != m_plan.tileHeight) {
            error = "The picture " + m_plan.tiles[i].file.string() + " has changed";
            return nullptr;
        }
        return m_cache.emplace(i, std::move(picture)).first->second.get();
    }

    // One tile row, corrected and resampled across: the values at the
    // mosaic's columns across.first..across.last.
    void ResampledRow(const CDib& picture, int row, float gain, const CAxis& across,
                      std::vector<cv::Vec3f>& out) {
        const std::uint8_t* pixels = picture.Row(picture.StoredRow(row));
        const float* correction = m_correction.ptr<float>(row);
        const int last = m_plan.tileWidth - 1;
        out.resize(static_cast<std::size_t>(across.last - across.first + 1));
        double t = 0;
        int u = across.Index(across.first, t);
        const float right = static_cast<float>(t), left = 1 - right;
        for (std::size_t k = 0; k < out.size(); ++k, ++u) {
            const int u0 = std::clamp(u, 0, last), u1 = std::clamp(u + 1, 0, last);
            const float f0 = left * correction[u0] * gain, f1 = right * correction[u1] * gain;
            for (int c = 0; c < 3; ++c) {
                out[k][c] = f0 * pixels[3 * u0 + c] + f1 * pixels[3 * u1 + c];
            }
        }
    }

    void AddTile(const CDib& picture, double gain, const CAxis& across, const CAxis& down, int y0,
                 int rows) {
        const int first = std::max(y0, down.first), last = std::min(y0 + rows - 1, down.last);
        const int lastRow = m_plan.tileHeight - 1;
        std::vector<float> weights(static_cast<std::size_t>(across.last - across.first + 1));
        for (std::size_t k = 0; k < weights.size(); ++k) {
            weights[k] = across.Weight(across.first + static_cast<int>(k));
        }
        // Consecutive mosaic rows mostly step one tile row on: the lower row
        // becomes the upper one.
        int upperRow = -1, lowerRow = -1;
        for (int y = first; y <= last; ++y) {
            double t = 0;
            const int v = down.Index(y, t);
            const int r0 = std::clamp(v, 0, lastRow), r1 = std::clamp(v + 1, 0, lastRow);
            if (lowerRow == r0 && upperRow != r0) {
                std::swap(m_upper, m_lower);
                std::swap(upperRow, lowerRow);
            }
            if (upperRow != r0) {
                ResampledRow(picture, r0, static_cast<float>(gain), across, m_upper);
                upperRow = r0;
            }
            if (lowerRow != r1) {
                ResampledRow(picture, r1, static_cast<float>(gain), across, m_lower);
                lowerRow = r1;
            }
            const float below = static_cast<float>(t), above = 1 - below;
            const float rowWeight = down.Weight(y);
            cv::Vec3f* sum = m_sum.ptr<cv::Vec3f>(y - y0) + across.first;
            float* weight = m_weight.ptr<float>(y - y0) + across.first;
            for (std::size_t k = 0; k < weights.size(); ++k) {
                const float w = weights[k] * rowWeight;
                sum[k] += w * (above * m_upper[k] + below * m_lower[k]);
                weight[k] += w;
            }
        }
    }

    const CStitchPlan& m_plan;
    cv::Mat m_correction;
    cv::Mat m_sum, m_weight, m_out;
    std::map<std::size_t, std::unique_ptr<CDib>> m_cache;
    std::vector<cv::Vec3f> m_upper, m_lower;
};

} // namespace

bool ComposeMosaic(const CStitchPlan& plan,
                   const std::function<bool(const std::uint8_t*, int, std::size_t)>& sink,
                   const std::function<bool(int)>& progress, std::string& error) {
    if (plan.width <= 0 || plan.height <= 0 || plan.tileWidth <= 0 || plan.tileHeight <= 0) {
        error = "Nothing to compose";
        return false;
    }
    try {
        CBandComposer composer(plan);
        for (int y = 0; y < plan.height; y += kBandRows) {
            const int rows = std::min(kBandRows, plan.height - y);
            if (!composer.Compose(y, rows, error)) {
                return false;
            }
            if (!sink(composer.Band().data, rows, composer.Band().step)) {
                if (error.empty()) {
                    error = "Cannot write the mosaic";
                }
                return false;
            }
            if (progress && !progress((y + rows) * 100 / plan.height)) {
                error.clear();
                return false;
            }
        }
    } catch (const cv::Exception&) {
        error = "Out of memory";
        return false;
    }
    return true;
}
