#include "app/CliRender.h"

#include "app/Parameters.h"
#include "framework/QImageDrawContext.h"
#include "shapes/ShapeList.h"

#include <QBuffer>

QByteArray RenderShapesToBmp(const CShapeList& shapes, const QImage& picture, int width,
                             int height) {
    QImage canvas;
    if (picture.isNull()) {
        canvas = QImage(width, height, QImage::Format_RGB32);
        if (canvas.isNull()) {
            return {};
        }
        canvas.fill(Qt::white);
    } else {
        canvas = picture.convertToFormat(QImage::Format_RGB32);
        if (canvas.isNull()) {
            return {};
        }
    }
    {
        CQImageDrawContext dc(canvas);
        const CDrawParams params{.penWidth = g_parameters.linewidth, .zoom = 1.0};
        for (const auto& shape : shapes.Shapes()) {
            shape->Draw(dc, params);
        }
    }
    // Qt writes an RGB32 picture as a 24-bit BMP.
    QByteArray bmp;
    QBuffer buffer(&bmp);
    if (!buffer.open(QIODevice::WriteOnly) || !canvas.save(&buffer, "BMP")) {
        return {};
    }
    return bmp;
}
