#pragma once

#include "framework/ui/PropertyGrid.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

// A user's hands on a property grid: a click on a value opens its editor,
// typing and Return confirm it.

// Opens the editor of `item`'s value; nullptr when none opens.
inline QWidget* EditProperty(CPropertyGrid& grid, CPropertyGridItem* item) {
    auto* tree = grid.findChild<QTreeWidget*>();
    const QRect row = tree->visualItemRect(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      QPoint(tree->header()->sectionViewportPosition(1) + 10, row.center().y()));
    return tree->indexWidget(tree->indexFromItem(item, 1));
}

// Types `text` over the value and confirms with Return. A list completes
// what is typed as it does for the user ("1" may become "1.0").
inline void TypeProperty(CPropertyGrid& grid, CPropertyGridItem* item, const QString& text) {
    QWidget* editor = EditProperty(grid, item);
    if (editor == nullptr) {
        ADD_FAILURE() << "no editor opened";
        return;
    }
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        combo->lineEdit()->selectAll();
    } else {
        qobject_cast<QLineEdit*>(editor)->selectAll();
    }
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
}
