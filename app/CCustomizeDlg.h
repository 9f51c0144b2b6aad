#pragma once

#include "core/ToolbarLayout.h"

#include <map>
#include <vector>

#include <QDialog>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// A command the user may put on a toolbar, with its current caption and picture.
struct CustomizeCommand {
    int id;
    QString text;
    QIcon icon;
};

// What the customize dialog edits: the toolbar layout, whether each toolbar
// (by slot) and each pane (in the given order) is shown.
struct CustomizeState {
    CToolbarLayout layout;
    std::map<int, bool> toolbarVisible;
    std::vector<bool> paneVisible;
};

// Customize...: shows or hides toolbars, their buttons and the panes, makes,
// renames and deletes user toolbars (at most ten, empty at first), fills
// toolbars from the list of commands, optionally with one of the user images,
// and resets everything to the defaults. Changes act when OK is pressed; the
// caller applies state(). GUI thread only.
class CCustomizeDlg : public QDialog {
    Q_OBJECT
public:
    CCustomizeDlg(CustomizeState state, std::vector<CustomizeCommand> commands,
                  QList<QPixmap> userImages, const QString& standardName,
                  const QStringList& paneNames, QWidget* parent = nullptr);

    const CustomizeState& state() const { return m_state; }

private:
    void refreshToolbars(int selectSlot);
    void refreshButtons(int selectIndex);
    int selectedSlot() const;
    int selectedButton() const;
    void onToolbarItemChanged(QListWidgetItem* item);
    void onButtonItemChanged(QListWidgetItem* item);
    void onNewToolbar();
    void onRenameToolbar();
    void onDeleteToolbar();
    void onRemoveButton();
    void onAddButton();
    void onReset();
    void updateButtons();
    QString commandText(int id) const;
    QIcon commandIcon(const ToolbarLayoutButton& button) const;

    CustomizeState m_state;
    std::vector<CustomizeCommand> m_commands;
    QList<QPixmap> m_userImages;
    QString m_standardName;
    QListWidget* m_toolbarList;
    QLineEdit* m_nameEdit;
    QPushButton* m_newButton;
    QPushButton* m_renameButton;
    QPushButton* m_deleteButton;
    QListWidget* m_buttonList;
    QPushButton* m_removeButton;
    QListWidget* m_commandList;
    QComboBox* m_imageBox;
    QPushButton* m_addButton;
    QList<QCheckBox*> m_paneBoxes;
};
