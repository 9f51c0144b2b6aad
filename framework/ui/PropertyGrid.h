#pragma once

#include "framework/Colorref.h"

#include <functional>
#include <optional>

#include <QStringList>
#include <QTreeWidgetItem>
#include <QWidget>

class QLabel;
class QTreeWidget;
class QToolButton;

// One row of a property grid: a group heading, or a property with a value.
// Items belong to their grid; create them with the grid's add functions.
class CPropertyGridItem : public QTreeWidgetItem {
public:
    enum class Kind { Group, Text, List, Color };

    Kind kind() const { return m_kind; }
    QString name() const { return text(0); }
    // The value as text; a colour shows as "R, G, B".
    QString value() const;
    COLORREF color() const { return m_color; }
    const QStringList& options() const { return m_options; }
    // Whether the user may type a value (text items and editable lists).
    bool allowsEdit() const { return m_allowEdit; }
    // A number chosen by the caller to tell items apart; 0 when unset.
    int itemData() const { return m_itemData; }
    QString description() const { return m_description; }
    std::optional<COLORREF> automaticColor() const { return m_automaticColor; }

    // Changes made through these never emit propertyChanged.
    void setValue(const QString& value);
    void setColor(COLORREF color);
    void setItemData(int data) { m_itemData = data; }
    // Shown below the grid while the item is the current one.
    void setDescription(const QString& description) { m_description = description; }
    void setAllowEdit(bool allow);
    // Offers `color` as the picker's automatic choice, captioned `label`.
    void setAutomaticColor(COLORREF color, const QString& label);

private:
    friend class CPropertyGrid;
    CPropertyGridItem(Kind kind, const QString& name);

    void RefreshColorButton();

    Kind m_kind;
    COLORREF m_color = 0;
    QStringList m_options;
    bool m_allowEdit = true;
    int m_itemData = 0;
    QString m_description;
    std::optional<COLORREF> m_automaticColor;
    QString m_automaticLabel;
};

// A two-column grid of named values grouped under headings, with the selected
// item's description shown below it. Text and list values are edited in place;
// a colour value has a button offering the automatic colour (if any) and a
// colour dialog. GUI thread only.
class CPropertyGrid : public QWidget {
    Q_OBJECT
public:
    explicit CPropertyGrid(QWidget* parent = nullptr);

    // `parent` null adds at the top level. Groups start expanded.
    CPropertyGridItem* addGroup(const QString& name, CPropertyGridItem* parent = nullptr);
    CPropertyGridItem* addText(CPropertyGridItem* parent, const QString& name,
                               const QString& value);
    // A drop-down list; with `allowEdit` false only the options can be chosen.
    CPropertyGridItem* addList(CPropertyGridItem* parent, const QString& name, const QString& value,
                               const QStringList& options, bool allowEdit);
    CPropertyGridItem* addColor(CPropertyGridItem* parent, const QString& name, COLORREF color);

    void removeAll();
    int topLevelCount() const;
    CPropertyGridItem* topLevelItem(int index) const;
    // The first item, in display order, whose item data is `data`.
    CPropertyGridItem* findItem(int data) const;

    // Asks the user for a colour; nullopt when cancelled. The default shows
    // QColorDialog; tests answer without a dialog.
    using ColorChooser = std::function<std::optional<COLORREF>(COLORREF current, QWidget* parent)>;
    void setColorChooser(ColorChooser chooser);

signals:
    // The user changed the item's value (never for programmatic changes, nor
    // when the same value is chosen again).
    void propertyChanged(CPropertyGridItem* item);

private:
    friend class CPropertyDelegate;

    CPropertyGridItem* Insert(CPropertyGridItem* parent, CPropertyGridItem* item);
    void CommitValue(CPropertyGridItem* item, const QString& value);
    void CommitColor(CPropertyGridItem* item, COLORREF color);
    void AttachColorButton(CPropertyGridItem* item);
    void ShowDescription(QTreeWidgetItem* current);

    QTreeWidget* m_tree;
    QLabel* m_description;
    ColorChooser m_colorChooser;
};
