#include "browser/ui/CThumbnailsFormView.h"

#include "browser/ui/CThumbnailsFormViewEnlarged.h"
#include "browser/ui/CThumbnailsFormViewView.h"

#include <QSplitter>
#include <QVBoxLayout>

CThumbnailsFormView::CThumbnailsFormView(QWidget* parent)
    : QWidget(parent)
    , m_splitter(new QSplitter(Qt::Vertical, this))
    , m_list(new CThumbnailsFormViewView(m_splitter))
    , m_magnifier(new CThumbnailsFormViewEnlarged(m_splitter)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);
    m_splitter->addWidget(m_list);
    m_splitter->addWidget(m_magnifier);
    m_splitter->setChildrenCollapsible(false);
    // Resizing the pane keeps the 9 : 1 split.
    m_splitter->setStretchFactor(0, 9);
    m_splitter->setStretchFactor(1, 1);
}

void CThumbnailsFormView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_sized) {
        m_sized = true;
        const int total = m_splitter->height();
        m_splitter->setSizes({total - total / 10, total / 10});
    }
}
