#include "app/DocTemplates.h"

#include "app/Icons.h"
#include "camera/ui/CDeviceDoc.h"
#include "camera/ui/CDeviceView.h"
#include "document/ui/CLOBRINDoc.h"
#include "framework/ui/DocTemplate.h"
#include "tools/ui/CLOBRINView.h"

void RegisterDocTemplates(CDocManager& docManager) {
    docManager.AddDocTemplate(DocKind::StillImage,
                              CDocTemplate(
                                  LoadSvgIcon(QStringLiteral(":/icons/doc-picture.svg")),
                                  [] { return std::make_unique<CLOBRINDoc>(); },
                                  [](CDocument& document) -> std::unique_ptr<CView> {
                                      return std::make_unique<CLOBRINView>(
                                          static_cast<CLOBRINDoc&>(document));
                                  }));
    docManager.AddDocTemplate(DocKind::LiveCamera,
                              CDocTemplate(
                                  LoadSvgIcon(QStringLiteral(":/icons/doc-camera.svg")),
                                  [] { return std::make_unique<CDeviceDoc>(); },
                                  [](CDocument& document) -> std::unique_ptr<CView> {
                                      return std::make_unique<CDeviceView>(
                                          static_cast<CDeviceDoc&>(document));
                                  }));
}
