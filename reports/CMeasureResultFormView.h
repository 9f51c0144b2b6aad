#pragma once

#include <QWidget>

// The form inside the measure results pane: the measurements of the active picture and its
// properties. GUI thread only.
class CMeasureResultFormView : public QWidget {
    Q_OBJECT
public:
    explicit CMeasureResultFormView(QWidget* parent = nullptr);
};
