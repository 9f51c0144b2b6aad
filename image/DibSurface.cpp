#include "framework/BitmapStretch.h"
#include "image/Dib.h"

#include <cstring>

static_assert(sizeof(RgbQuad) == 4, "a palette entry is the 4 bytes CBitmapView reads");

bool CDib::CreateFromSurface(const CSurfacePixels& pixels, std::size_t maxPixelBytes) {
    if (pixels.bits == nullptr) {
        Destroy();
        m_error = "Invalid picture size or depth";
        return false;
    }
    if (!Allocate(pixels.width, pixels.height, 24, maxPixelBytes)) {
        Destroy();
        return false;
    }
    const int width = m_width;
    const std::size_t used = 3 * static_cast<std::size_t>(width);
    for (int y = 0; y < m_height; ++y) {
        const auto* source =
            reinterpret_cast<const std::uint32_t*>(pixels.bits + pixels.stride * y);
        std::uint8_t* row = Row(StoredRow(y));
        XrgbToBgr(source, row, width);
        std::memset(row + used, 0, m_stride - used);
    }
    m_type = ImageType::Unknown;
    m_scale.reset();
    m_pageCount = 1;
    m_background = 0;
    m_error.clear();
    return true;
}

CBitmapView CDib::View() const {
    return CBitmapView{m_width,
                       m_height,
                       m_bitsPerPixel,
                       m_stride,
                       m_bits.get(),
                       reinterpret_cast<const std::uint8_t*>(m_palette.data()),
                       static_cast<int>(m_paletteSize)};
}
