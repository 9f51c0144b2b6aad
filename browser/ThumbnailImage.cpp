#include "browser/ThumbnailImage.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::uint8_t kFrameGrey = 192;

void DrawFrame(CThumbnail& thumbnail) {
    for (int i = 0; i < kThumbnailSide; ++i) {
        for (const auto& [x, y] : {std::pair{i, 0}, std::pair{i, kThumbnailSide - 1},
                                   std::pair{0, i}, std::pair{kThumbnailSide - 1, i}}) {
            std::uint8_t* pixel = thumbnail.bgr.data() + 3 * (y * kThumbnailSide + x);
            pixel[0] = pixel[1] = pixel[2] = kFrameGrey;
        }
    }
}

} // namespace

ThumbnailPlacement PlaceThumbnail(int width, int height) {
    if (width <= 0 || height <= 0) {
        return {};
    }
    const int longer = std::max(width, height);
    const int shorter = std::min(width, height);
    const int side = std::max(
        1, static_cast<int>(std::lround(static_cast<double>(kThumbnailSide) * shorter / longer)));
    const int offset = (kThumbnailSide - side) / 2;
    if (width >= height) {
        return {0, offset, kThumbnailSide, side};
    }
    return {offset, 0, side, kThumbnailSide};
}

CThumbnail BlankThumbnail() {
    CThumbnail thumbnail;
    thumbnail.bgr.fill(255);
    DrawFrame(thumbnail);
    return thumbnail;
}

CThumbnailShrinker::CThumbnailShrinker(int width, int height)
    : m_width(std::max(width, 0))
    , m_height(std::max(height, 0))
    , m_placement(PlaceThumbnail(width, height))
    , m_binsX(std::min(m_placement.width, m_width))
    , m_binsY(std::min(m_placement.height, m_height))
    , m_sums(4 * static_cast<std::size_t>(m_binsX) * static_cast<std::size_t>(m_binsY)) {}

int CThumbnailShrinker::TargetRow(int y) const {
    return static_cast<int>(static_cast<std::int64_t>(y) * m_binsY / m_height);
}

int CThumbnailShrinker::FirstSourceRow(int row) const {
    // The smallest y with y * bins / height >= row.
    return static_cast<int>((static_cast<std::int64_t>(row) * m_height + m_binsY - 1) / m_binsY);
}

int CThumbnailShrinker::FirstSourceColumn(int bin) const {
    return m_binsX == 0 ? 0
                        : static_cast<int>(
                              (static_cast<std::int64_t>(bin) * m_width + m_binsX - 1) / m_binsX);
}

void CThumbnailShrinker::AddPixel(int x, int y, const std::uint8_t* bgr) {
    if (y < 0 || y >= m_height || x < 0 || x >= m_width || m_binsX == 0) {
        return;
    }
    const std::size_t binX =
        static_cast<std::size_t>(static_cast<std::int64_t>(x) * m_binsX / m_width);
    std::uint64_t* bin =
        m_sums.data() + 4 * (static_cast<std::size_t>(TargetRow(y)) * m_binsX + binX);
    bin[0] += bgr[0];
    bin[1] += bgr[1];
    bin[2] += bgr[2];
    bin[3] += 1;
}

void CThumbnailShrinker::AddRow(int y, const std::uint8_t* bgr) {
    if (y < 0 || y >= m_height || m_binsX == 0) {
        return;
    }
    if (m_binOfColumn.empty()) {
        m_binOfColumn.resize(static_cast<std::size_t>(m_width));
        for (int x = 0; x < m_width; ++x) {
            m_binOfColumn[static_cast<std::size_t>(x)] =
                static_cast<int>(static_cast<std::int64_t>(x) * m_binsX / m_width);
        }
    }
    std::uint64_t* row = m_sums.data() + 4 * static_cast<std::size_t>(TargetRow(y)) * m_binsX;
    for (int x = 0; x < m_width; ++x, bgr += 3) {
        std::uint64_t* bin = row + 4 * m_binOfColumn[static_cast<std::size_t>(x)];
        bin[0] += bgr[0];
        bin[1] += bgr[1];
        bin[2] += bgr[2];
        bin[3] += 1;
    }
}

CThumbnail CThumbnailShrinker::Finish() const {
    CThumbnail thumbnail;
    thumbnail.bgr.fill(255);
    const ThumbnailPlacement& p = m_placement;
    for (int ty = 0; ty < p.height; ++ty) {
        const int binY = ty * m_binsY / p.height;
        std::uint8_t* out = thumbnail.bgr.data() + 3 * ((p.y + ty) * kThumbnailSide + p.x);
        for (int tx = 0; tx < p.width; ++tx, out += 3) {
            const int binX = tx * m_binsX / p.width;
            const std::uint64_t* bin =
                m_sums.data() + 4 * (static_cast<std::size_t>(binY) * m_binsX + binX);
            if (bin[3] == 0) {
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                out[c] = static_cast<std::uint8_t>((bin[c] + bin[3] / 2) / bin[3]);
            }
        }
    }
    DrawFrame(thumbnail);
    return thumbnail;
}
