#pragma once

#include <QWidget>

class CThumbnailsFormViewEnlarged;
class CThumbnailsFormViewView;
class QSplitter;

// The form inside the picture browser pane: the thumbnail list above and the
// magnifier strip below, splitting the height 9 to 1. GUI thread only.
class CThumbnailsFormView : public QWidget {
    Q_OBJECT
public:
    explicit CThumbnailsFormView(QWidget* parent = nullptr);

    CThumbnailsFormViewView* list() const { return m_list; }
    CThumbnailsFormViewEnlarged* magnifier() const { return m_magnifier; }
    QSplitter* splitter() const { return m_splitter; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QSplitter* m_splitter;
    CThumbnailsFormViewView* m_list;
    CThumbnailsFormViewEnlarged* m_magnifier;
    bool m_sized = false;
};
