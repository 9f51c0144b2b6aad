#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include <QIcon>
#include <QString>

class CDocument;
class CView;

// How documents of one kind and their views are made. The application
// registers one template per kind; the frame opens documents through them
// into tabbed child frames. GUI thread only.
class CDocTemplate {
public:
    // May return nullptr to give up (for example a cancelled choice).
    using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
    using ViewFactory = std::function<std::unique_ptr<CView>(CDocument&)>;

    CDocTemplate(QIcon icon, DocumentFactory makeDocument, ViewFactory makeView);

    // The tab icon of its child frames.
    const QIcon& icon() const { return m_icon; }
    std::unique_ptr<CDocument> CreateDocument() const;
    std::unique_ptr<CView> CreateView(CDocument& document) const;

private:
    QIcon m_icon;
    DocumentFactory m_makeDocument;
    ViewFactory m_makeView;
};

// The two kinds of documents: still pictures opened from files and the one
// live camera picture.
enum class DocKind { StillImage, LiveCamera };

// The registered templates, one per kind at most.
class CDocManager {
public:
    void AddDocTemplate(DocKind kind, CDocTemplate docTemplate);
    // nullptr when no template is registered for the kind.
    const CDocTemplate* docTemplate(DocKind kind) const;

private:
    std::array<std::optional<CDocTemplate>, 2> m_templates;
};
