#include "app/DocTemplates.h"

#include "app/Icons.h"
#include "framework/DocTemplate.h"

void RegisterDocTemplates(CDocManager& docManager) {
    docManager.AddDocTemplate(
        DocKind::StillImage,
        CDocTemplate(LoadSvgIcon(QStringLiteral(":/icons/doc-picture.svg")), {}, {}));
    docManager.AddDocTemplate(
        DocKind::LiveCamera,
        CDocTemplate(LoadSvgIcon(QStringLiteral(":/icons/doc-camera.svg")), {}, {}));
}
