#pragma once

#include "framework/PostedEvents.h"
#include "shapes/ShapeFactory.h"
#include "shapes/ShapeList.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QStringList>
#include <QTreeWidget>

// Helpers of the pane tests: shapes made as the still view makes them, and a
// stand-in for the still view that the panes post to.

// A completed shape of the measuring mode with its results computed (a
// distance line thereby becomes the last line a manual calibration reads).
inline std::unique_ptr<CShape> MeasuredShape(int mode, std::initializer_list<ShapePoint> points,
                                             const QString& text = QString()) {
    CShapeParams params;
    int slot = 0;
    for (const ShapePoint& p : points) {
        params.points[slot++] = p;
    }
    params.text = text;
    std::unique_ptr<CShape> shape = CreateShape(mode, params);
    CompleteShape(*shape, 0);
    shape->ComputeResults();
    return shape;
}

// Delivers everything posted, including what is posted while delivering.
inline void Settle() {
    for (int round = 0; round < 4; ++round) {
        QCoreApplication::sendPostedEvents();
    }
}

// Holds the image view role for a document's shapes: records every post and
// removes shapes as the still view does on UM_REMOVE_SHAPES.
class FakeImageView : public QObject {
public:
    explicit FakeImageView(CShapeList& shapes)
        : m_shapes(shapes)
        , m_registration(ReceiverRole::ImageView, this) {}

    int Count(int message) const {
        int count = 0;
        for (const auto& post : received) {
            count += post[0] == message ? 1 : 0;
        }
        return count;
    }

    std::vector<std::array<std::intptr_t, 3>> received;

protected:
    void customEvent(QEvent* event) override {
        if (event->type() != CPostedEvent::Type()) {
            return;
        }
        const auto* posted = static_cast<const CPostedEvent*>(event);
        received.push_back({posted->message(), posted->wParam(), posted->lParam()});
        if (posted->message() == UM_REMOVE_SHAPES) {
            if (posted->wParam() == 10) {
                m_shapes.RemoveAt(static_cast<std::size_t>(posted->lParam()));
            } else {
                m_shapes.RemoveAll();
            }
        }
    }

private:
    CShapeList& m_shapes;
    CReceiverRegistration m_registration;
};

// The tree's texts, each root followed by its children.
inline QStringList TreeTexts(const QTreeWidget* tree) {
    QStringList texts;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* root = tree->topLevelItem(i);
        texts << root->text(0);
        for (int j = 0; j < root->childCount(); ++j) {
            texts << root->child(j)->text(0);
        }
    }
    return texts;
}
