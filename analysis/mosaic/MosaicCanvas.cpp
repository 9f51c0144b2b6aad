#include "analysis/mosaic/MosaicCanvas.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <opencv2/imgproc.hpp>

namespace {

int FloorDiv(int value, int divisor) {
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

} // namespace

template <typename Visit>
void CMosaicCanvas::ForBlocks(cv::Rect area, Visit visit) const {
    if (area.empty()) {
        return;
    }
    const int row0 = FloorDiv(area.y, kBlock);
    const int row1 = FloorDiv(area.y + area.height - 1, kBlock);
    const int col0 = FloorDiv(area.x, kBlock);
    const int col1 = FloorDiv(area.x + area.width - 1, kBlock);
    for (int row = row0; row <= row1; ++row) {
        for (int col = col0; col <= col1; ++col) {
            const cv::Rect block(col * kBlock, row * kBlock, kBlock, kBlock);
            // The shared part, in the block's and in the area's coordinates.
            const cv::Rect part = block & area;
            visit(Key{row, col}, part - block.tl(), part - area.tl());
        }
    }
}

void CMosaicCanvas::Blend(const cv::Mat& bgr, const cv::Mat& weight, cv::Point at) {
    const cv::Rect area(at, bgr.size());
    ForBlocks(area, [&](const Key& key, cv::Rect inBlock, cv::Rect inArea) {
        Block& block = m_blocks[key];
        if (block.bgr.empty()) {
            block.bgr = cv::Mat(kBlock, kBlock, CV_8UC3, cv::Scalar::all(0));
            block.weight = cv::Mat(kBlock, kBlock, CV_16U, cv::Scalar(0));
        }
        for (int y = 0; y < inArea.height; ++y) {
            const auto* in = bgr.ptr<cv::Vec3b>(inArea.y + y) + inArea.x;
            const auto* add = weight.ptr<std::uint8_t>(inArea.y + y) + inArea.x;
            auto* out = block.bgr.ptr<cv::Vec3b>(inBlock.y + y) + inBlock.x;
            auto* held = block.weight.ptr<std::uint16_t>(inBlock.y + y) + inBlock.x;
            for (int x = 0; x < inArea.width; ++x) {
                const unsigned w = add[x];
                if (w == 0) {
                    continue;
                }
                const unsigned old = held[x];
                const unsigned total = old + w;
                for (int c = 0; c < 3; ++c) {
                    out[x][c] = static_cast<std::uint8_t>(
                        (out[x][c] * old + in[x][c] * w + total / 2) / total);
                }
                held[x] = static_cast<std::uint16_t>(
                    std::min<unsigned>(total, std::numeric_limits<std::uint16_t>::max() - 255));
            }
        }
        cv::resize(block.bgr, block.small, cv::Size(kBlock / kShrink, kBlock / kShrink), 0, 0,
                   cv::INTER_AREA);
    });
    m_bounds = m_bounds.empty() ? area : (m_bounds | area);
}

void CMosaicCanvas::ReadGrey(cv::Rect area, cv::Mat& grey, cv::Mat& covered) const {
    grey.create(area.size(), CV_32F);
    grey.setTo(0);
    covered.create(area.size(), CV_8U);
    covered.setTo(0);
    cv::Mat blockGrey;
    ForBlocks(area, [&](const Key& key, cv::Rect inBlock, cv::Rect inArea) {
        const auto found = m_blocks.find(key);
        if (found == m_blocks.end()) {
            return;
        }
        cv::cvtColor(found->second.bgr(inBlock), blockGrey, cv::COLOR_BGR2GRAY);
        blockGrey.convertTo(grey(inArea), CV_32F);
        cv::compare(found->second.weight(inBlock), 0, covered(inArea), cv::CMP_GT);
    });
}

cv::Mat CMosaicCanvas::Picture(cv::Rect area) const {
    cv::Mat picture(area.size(), CV_8UC3, cv::Scalar::all(0));
    ForBlocks(area, [&](const Key& key, cv::Rect inBlock, cv::Rect inArea) {
        const auto found = m_blocks.find(key);
        if (found != m_blocks.end()) {
            found->second.bgr(inBlock).copyTo(picture(inArea));
        }
    });
    return picture;
}

cv::Mat CMosaicCanvas::Overview(cv::Point& origin) const {
    if (m_blocks.empty()) {
        return {};
    }
    // Whole blocks, so that every quarter-size copy lands on whole pixels.
    const cv::Point first(FloorDiv(m_bounds.x, kBlock) * kBlock,
                          FloorDiv(m_bounds.y, kBlock) * kBlock);
    const cv::Point last(FloorDiv(m_bounds.br().x - 1, kBlock) * kBlock + kBlock,
                         FloorDiv(m_bounds.br().y - 1, kBlock) * kBlock + kBlock);
    origin = first;
    constexpr int kSmall = kBlock / kShrink;
    cv::Mat overview((last.y - first.y) / kShrink, (last.x - first.x) / kShrink, CV_8UC3,
                     cv::Scalar::all(0));
    for (const auto& [key, block] : m_blocks) {
        const cv::Point at((key.second * kBlock - first.x) / kShrink,
                           (key.first * kBlock - first.y) / kShrink);
        block.small.copyTo(overview(cv::Rect(at, cv::Size(kSmall, kSmall))));
    }
    return overview;
}

std::size_t CMosaicCanvas::Bytes() const {
    constexpr std::size_t kSmall = kBlock / kShrink;
    return m_blocks.size() * (static_cast<std::size_t>(kBlock) * kBlock * (3 + 2) +
                              kSmall * kSmall * 3 + sizeof(Block) + 64);
}

std::size_t CMosaicCanvas::CoveredPixels() const {
    std::size_t covered = 0;
    for (const auto& entry : m_blocks) {
        covered += static_cast<std::size_t>(cv::countNonZero(entry.second.weight));
    }
    return covered;
}
