#include "cli/CliRender.h"

#include "core/Parameters.h"
#include "document/StillImageDocument.h"
#include "framework/QImageDrawSurface.h"

bool RenderSessionPicture(CStillImageDocument& document, int width, int height,
                          const std::filesystem::path& path, QString& error) {
    if (document.HasPicture()) {
        width = document.ImageWidth();
        height = document.ImageHeight();
    }
    const std::unique_ptr<CDrawSurface> surface = QImageSurfaceFactory()(width, height);
    if (!surface) {
        error = QStringLiteral("cannot make a picture of %1 × %2 pixels").arg(width).arg(height);
        return false;
    }
    const CDrawParams params{.penWidth = g_parameters.linewidth, .zoom = 1.0};
    if (document.HasPicture()) {
        document.Render(surface->Context(), params, width, height, ShapeSelection::All);
    } else {
        // A new surface is white.
        for (const auto& shape : document.Shapes().Shapes()) {
            shape->Draw(surface->Context(), params);
        }
    }
    CDib picture;
    if (!picture.CreateFromSurface(surface->Pixels())) {
        error = QStringLiteral("cannot make a picture of %1 × %2 pixels: %3")
                    .arg(width)
                    .arg(height)
                    .arg(QString::fromStdString(picture.LastError()));
        return false;
    }
    if (!picture.Save(path, ImageType::Bmp)) {
        error = QStringLiteral("cannot write \"%1\": %2")
                    .arg(QString::fromStdString(path.string()),
                         QString::fromStdString(picture.LastError()));
        return false;
    }
    return true;
}
