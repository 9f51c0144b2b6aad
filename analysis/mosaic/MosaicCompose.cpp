#include "analysis/mosaic/MosaicTiles.h"
#include "analysis/mosaic/Stitch.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <map>
#include <memory>

namespace {

constexpr int kBandRows = 256;
// Rows composed by one thread at a time.
constexpr int kStripeRows = 16;

// Two tile rows resampled across, the mosaic row lies between them.
struct CRowPair {
    std::vector<cv::Vec3f> upper, lower;
};

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
        , m_out(kBandRows, plan.width, CV_8UC3)
        , m_spare(kBandRows, plan.width, CV_8UC3) {}

    // Rows y0..y0+rows-1 of the mosaic into m_out. The tiles the band needs
    // are decoded together, then stripes of rows are composed on OpenCV's
    // threads, each into rows of its own.
    bool Compose(int y0, int rows, std::string& error) {
        std::vector<std::size_t> needed;
        for (std::size_t i = 0; i < m_plan.tiles.size(); ++i) {
            const CTilePlacement& tile = m_plan.tiles[i];
            if (!tile.placed) {
                continue;
            }
            const CAxis down(tile.y, m_plan.tileHeight, m_plan.height);
            if (down.last < y0) {
                m_cache.erase(i);
            } else if (down.first < y0 + rows) {
                needed.push_back(i);
            }
        }
        if (!LoadPictures(needed, error)) {
            return false;
        }
        cv::parallel_for_(cv::Range(0, (rows + kStripeRows - 1) / kStripeRows),
                          [&](const cv::Range& stripes) {
                              const int first = y0 + stripes.start * kStripeRows;
                              const int end = std::min(y0 + rows, y0 + stripes.end * kStripeRows);
                              ComposeRows(needed, y0, first, end);
                          });
        return true;
    }

    // The band just composed. The next Compose writes into another buffer, so
    // the band stays as it is while the next one is composed.
    const cv::Mat& TakeBand() {
        std::swap(m_out, m_spare);
        return m_spare;
    }

private:
    // Decodes the pictures of `needed` not yet in the cache, several at once.
    bool LoadPictures(const std::vector<std::size_t>& needed, std::string& error) {
        std::vector<std::size_t> missing;
        for (const std::size_t i : needed) {
            if (m_cache.find(i) == m_cache.end()) {
                missing.push_back(i);
            }
        }
        std::vector<std::unique_ptr<CDib>> pictures(missing.size());
        std::vector<std::string> errors(missing.size());
        cv::parallel_for_(
            cv::Range(0, static_cast<int>(missing.size())), [&](const cv::Range& range) {
                for (int k = range.start; k < range.end; ++k) {
                    const CTilePlacement& tile = m_plan.tiles[missing[static_cast<std::size_t>(k)]];
                    auto picture = std::make_unique<CDib>();
                    std::string& failure = errors[static_cast<std::size_t>(k)];
                    if (!LoadColourTile(tile.file, *picture, failure)) {
                        continue;
                    }
                    if (picture->Width() != m_plan.tileWidth ||
                        picture->Height() != m_plan.tileHeight) {
                        failure = "The picture " + tile.file.string() + " has changed";
                        continue;
                    }
                    pictures[static_cast<std::size_t>(k)] = std::move(picture);
                }
            });
        for (std::size_t k = 0; k < missing.size(); ++k) {
            if (!errors[k].empty()) {
                error = errors[k];
                return false;
            }
            m_cache.emplace(missing[k], std::move(pictures[k]));
        }
        return true;
    }

    // Mosaic rows first..end-1 of the band starting at y0: the weighted sum
    // of the tiles, then divided by the weights.
    void ComposeRows(const std::vector<std::size_t>& needed, int y0, int first, int end) {
        const cv::Range rows(first - y0, end - y0);
        m_sum.rowRange(rows).setTo(0);
        m_weight.rowRange(rows).setTo(0);
        CRowPair scratch;
        for (const std::size_t i : needed) {
            const CTilePlacement& tile = m_plan.tiles[i];
            const CAxis across(tile.x, m_plan.tileWidth, m_plan.width);
            const CAxis down(tile.y, m_plan.tileHeight, m_plan.height);
            AddTile(*m_cache.at(i), tile.gain, across, down, y0, first, end, scratch);
        }
        for (int r = rows.start; r < rows.end; ++r) {
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
    }

    // One tile row, corrected and resampled across: the values at the
    // mosaic's columns across.first..across.last.
    void ResampledRow(const CDib& picture, int row, float gain, const CAxis& across,
                      std::vector<cv::Vec3f>& out) const {
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

    // The tile's share of mosaic rows from..end-1 (of the band at y0).
    void AddTile(const CDib& picture, double gain, const CAxis& across, const CAxis& down, int y0,
                 int from, int end, CRowPair& scratch) {
        const int first = std::max(from, down.first), last = std::min(end - 1, down.last);
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
                std::swap(scratch.upper, scratch.lower);
                std::swap(upperRow, lowerRow);
            }
            if (upperRow != r0) {
                ResampledRow(picture, r0, static_cast<float>(gain), across, scratch.upper);
                upperRow = r0;
            }
            if (lowerRow != r1) {
                ResampledRow(picture, r1, static_cast<float>(gain), across, scratch.lower);
                lowerRow = r1;
            }
            const float below = static_cast<float>(t), above = 1 - below;
            const float rowWeight = down.Weight(y);
            cv::Vec3f* sum = m_sum.ptr<cv::Vec3f>(y - y0) + across.first;
            float* weight = m_weight.ptr<float>(y - y0) + across.first;
            for (std::size_t k = 0; k < weights.size(); ++k) {
                const float w = weights[k] * rowWeight;
                sum[k] += w * (above * scratch.upper[k] + below * scratch.lower[k]);
                weight[k] += w;
            }
        }
    }

    const CStitchPlan& m_plan;
    cv::Mat m_correction;
    cv::Mat m_sum, m_weight, m_out, m_spare;
    std::map<std::size_t, std::unique_ptr<CDib>> m_cache;
};

} // namespace

bool ComposeMosaic(const CStitchPlan& plan,
                   const std::function<bool(const std::uint8_t*, int, std::size_t)>& sink,
                   const std::function<bool(int)>& progress, std::string& error) {
    if (plan.width <= 0 || plan.height <= 0 || plan.tileWidth <= 0 || plan.tileHeight <= 0) {
        error = "Nothing to compose";
        return false;
    }
    // Each band goes to the sink on a second thread while the next one is
    // composed: writing (compressing) a band takes about as long as
    // composing it.
    std::future<bool> handing;
    const auto handed = [&] {
        if (handing.valid() && !handing.get()) {
            if (error.empty()) {
                error = "Cannot write the mosaic";
            }
            return false;
        }
        return true;
    };
    try {
        CBandComposer composer(plan);
        for (int y = 0; y < plan.height; y += kBandRows) {
            const int rows = std::min(kBandRows, plan.height - y);
            std::string composeError;
            const bool composed = composer.Compose(y, rows, composeError);
            if (!handed()) {
                return false;
            }
            if (!composed) {
                error = composeError;
                return false;
            }
            if (y > 0 && progress && !progress(y * 100 / plan.height)) {
                error.clear();
                return false;
            }
            const cv::Mat& band = composer.TakeBand();
            handing = std::async(std::launch::async, [&sink, data = band.data, step = band.step,
                                                      rows] { return sink(data, rows, step); });
        }
        if (!handed()) {
            return false;
        }
    } catch (const cv::Exception&) {
        handed();
        error = "Out of memory";
        return false;
    }
    if (progress && !progress(100)) {
        error.clear();
        return false;
    }
    return true;
}
