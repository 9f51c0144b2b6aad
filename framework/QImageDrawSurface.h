#pragma once

#include "framework/DrawSurface.h"
#include "framework/QImageDrawContext.h"

#include <memory>

#include <QImage>

// A surface on a 32-bit QImage, drawn through a CQImageDrawContext. Needs a
// QGuiApplication for text.
class CQImageDrawSurface final : public CDrawSurface {
public:
    // A white surface; nullptr when the picture cannot be allocated.
    static std::unique_ptr<CQImageDrawSurface> Create(int width, int height);
    ~CQImageDrawSurface() override;

    CDrawContext& Context() override { return *m_context; }
    CSurfacePixels Pixels() const override;
    const QImage& Image() const { return m_image; }

private:
    explicit CQImageDrawSurface(QImage image);

    QImage m_image;
    std::unique_ptr<CQImageDrawContext> m_context; // paints on m_image
};

// The factory the GUI and the command-line tool hand to the document model.
CDrawSurfaceFactory QImageSurfaceFactory();
