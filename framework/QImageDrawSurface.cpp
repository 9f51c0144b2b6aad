#include "framework/QImageDrawSurface.h"

std::unique_ptr<CQImageDrawSurface> CQImageDrawSurface::Create(int width, int height) {
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return nullptr;
    }
    image.fill(Qt::white);
    return std::unique_ptr<CQImageDrawSurface>(new CQImageDrawSurface(std::move(image)));
}

CQImageDrawSurface::CQImageDrawSurface(QImage image)
    : m_image(std::move(image))
    , m_context(std::make_unique<CQImageDrawContext>(m_image)) {}

CQImageDrawSurface::~CQImageDrawSurface() = default;

CSurfacePixels CQImageDrawSurface::Pixels() const {
    return CSurfacePixels{m_image.width(), m_image.height(), m_image.constBits(),
                          static_cast<std::ptrdiff_t>(m_image.bytesPerLine())};
}

CDrawSurfaceFactory QImageSurfaceFactory() {
    return [](int width, int height) -> std::unique_ptr<CDrawSurface> {
        return CQImageDrawSurface::Create(width, height);
    };
}
