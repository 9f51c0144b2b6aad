#include "framework/ui/DocTemplate.h"

#include "framework/ui/Document.h"
#include "framework/ui/View.h"

CDocTemplate::CDocTemplate(QIcon icon, DocumentFactory makeDocument, ViewFactory makeView)
    : m_icon(std::move(icon))
    , m_makeDocument(std::move(makeDocument))
    , m_makeView(std::move(makeView)) {}

std::unique_ptr<CDocument> CDocTemplate::CreateDocument() const {
    return m_makeDocument ? m_makeDocument() : nullptr;
}

std::unique_ptr<CView> CDocTemplate::CreateView(CDocument& document) const {
    return m_makeView ? m_makeView(document) : nullptr;
}

void CDocManager::AddDocTemplate(DocKind kind, CDocTemplate docTemplate) {
    m_templates[static_cast<std::size_t>(kind)].emplace(std::move(docTemplate));
}

const CDocTemplate* CDocManager::docTemplate(DocKind kind) const {
    const auto& slot = m_templates[static_cast<std::size_t>(kind)];
    return slot ? &*slot : nullptr;
}
