#include "app/CCustomizeDlg.h"

#include "core/Language.h"
#include "framework/ui/DialogButtons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

CCustomizeDlg::CCustomizeDlg(CustomizeState state, std::vector<CustomizeCommand> commands,
                             QList<QPixmap> userImages, const QString& standardName,
                             const QStringList& paneNames, QWidget* parent)
    : QDialog(parent)
    , m_state(std::move(state))
    , m_commands(std::move(commands))
    , m_userImages(std::move(userImages))
    , m_standardName(standardName) {
    setObjectName(QStringLiteral("CustomizeDialog"));
    setWindowTitle(GetLanguageString("Customize", QStringLiteral("Customize"), 128));

    // Toolbars: shown or not, and the user's own ones.
    auto* toolbarBox = new QGroupBox(
        GetLanguageString("CustomizeToolbars", QStringLiteral("Toolbars"), 128), this);
    m_toolbarList = new QListWidget(toolbarBox);
    m_toolbarList->setObjectName(QStringLiteral("ToolbarList"));
    m_nameEdit = new QLineEdit(toolbarBox);
    m_nameEdit->setObjectName(QStringLiteral("ToolbarName"));
    m_nameEdit->setMaxLength(CToolbarLayout::kMaxNameLength);
    m_newButton = MakeDialogButton(
        "NewToolbar", GetLanguageString("CustomizeNew", QStringLiteral("New"), 128), toolbarBox);
    m_renameButton = MakeDialogButton(
        "RenameToolbar", GetLanguageString("CustomizeRename", QStringLiteral("Rename"), 128),
        toolbarBox);
    m_deleteButton = MakeDialogButton(
        "DeleteToolbar", GetLanguageString("CustomizeDelete", QStringLiteral("Delete"), 128),
        toolbarBox);
    auto* toolbarLayout = new QGridLayout(toolbarBox);
    toolbarLayout->addWidget(m_toolbarList, 0, 0, 1, 3);
    toolbarLayout->addWidget(
        new QLabel(GetLanguageString("CustomizeName", QStringLiteral("Name:"), 128), toolbarBox), 1,
        0);
    toolbarLayout->addWidget(m_nameEdit, 1, 1, 1, 2);
    toolbarLayout->addWidget(m_newButton, 2, 0);
    toolbarLayout->addWidget(m_renameButton, 2, 1);
    toolbarLayout->addWidget(m_deleteButton, 2, 2);

    // The buttons of the chosen toolbar: ticked ones are shown.
    auto* buttonBox =
        new QGroupBox(GetLanguageString("CustomizeButtons", QStringLiteral("Buttons"), 128), this);
    m_buttonList = new QListWidget(buttonBox);
    m_buttonList->setObjectName(QStringLiteral("ButtonList"));
    m_buttonList->setMinimumWidth(240);
    m_removeButton = MakeDialogButton(
        "RemoveButton", GetLanguageString("CustomizeRemove", QStringLiteral("Remove"), 128),
        buttonBox);
    auto* buttonLayout = new QVBoxLayout(buttonBox);
    buttonLayout->addWidget(m_buttonList);
    buttonLayout->addWidget(m_removeButton);

    // Commands to add to the chosen toolbar.
    auto* commandBox = new QGroupBox(
        GetLanguageString("CustomizeCommands", QStringLiteral("Commands"), 128), this);
    m_commandList = new QListWidget(commandBox);
    m_commandList->setObjectName(QStringLiteral("CommandList"));
    m_commandList->setMinimumWidth(240);
    for (const CustomizeCommand& command : m_commands) {
        auto* item = new QListWidgetItem(command.icon, command.text, m_commandList);
        item->setData(Qt::UserRole, command.id);
    }
    m_imageBox = new QComboBox(commandBox);
    m_imageBox->setObjectName(QStringLiteral("ImageBox"));
    m_imageBox->addItem(
        GetLanguageString("CustomizeOwnImage", QStringLiteral("Command's picture"), 128), -1);
    for (int index = 0; index < m_userImages.size(); ++index) {
        m_imageBox->addItem(QIcon(m_userImages[index]), QString::number(index + 1), index);
    }
    m_imageBox->setEnabled(!m_userImages.isEmpty());
    m_addButton = MakeDialogButton(
        "AddButton", GetLanguageString("CustomizeAdd", QStringLiteral("Add"), 128), commandBox);
    auto* commandLayout = new QGridLayout(commandBox);
    commandLayout->addWidget(m_commandList, 0, 0, 1, 2);
    commandLayout->addWidget(
        new QLabel(GetLanguageString("CustomizeImage", QStringLiteral("Image:"), 128), commandBox),
        1, 0);
    commandLayout->addWidget(m_imageBox, 1, 1);
    commandLayout->addWidget(m_addButton, 2, 0, 1, 2);

    auto* paneBox =
        new QGroupBox(GetLanguageString("CustomizePanes", QStringLiteral("Panes"), 128), this);
    auto* paneLayout = new QHBoxLayout(paneBox);
    for (int index = 0; index < paneNames.size(); ++index) {
        auto* check = new QCheckBox(paneNames[index], paneBox);
        check->setObjectName(QStringLiteral("Pane%1").arg(index));
        check->setChecked(static_cast<std::size_t>(index) < m_state.paneVisible.size() &&
                          m_state.paneVisible[static_cast<std::size_t>(index)]);
        connect(check, &QCheckBox::toggled, this, [this, index](bool on) {
            m_state.paneVisible.resize(
                std::max(m_state.paneVisible.size(), static_cast<std::size_t>(index) + 1));
            m_state.paneVisible[static_cast<std::size_t>(index)] = on;
        });
        paneLayout->addWidget(check);
        m_paneBoxes.append(check);
    }

    auto* resetButton = MakeDialogButton(
        "ResetButton", GetLanguageString("CustomizeReset", QStringLiteral("Reset All"), 128), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* lists = new QHBoxLayout;
    lists->addWidget(toolbarBox);
    lists->addWidget(buttonBox);
    lists->addWidget(commandBox);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(resetButton);
    bottom->addStretch();
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addWidget(paneBox);
    layout->addLayout(bottom);

    connect(m_toolbarList, &QListWidget::currentRowChanged, this, [this] {
        refreshButtons(-1);
        updateButtons();
    });
    connect(m_toolbarList, &QListWidget::itemChanged, this, &CCustomizeDlg::onToolbarItemChanged);
    connect(m_buttonList, &QListWidget::itemChanged, this, &CCustomizeDlg::onButtonItemChanged);
    connect(m_buttonList, &QListWidget::currentRowChanged, this, &CCustomizeDlg::updateButtons);
    connect(m_commandList, &QListWidget::currentRowChanged, this, &CCustomizeDlg::updateButtons);
    connect(m_newButton, &QPushButton::clicked, this, &CCustomizeDlg::onNewToolbar);
    connect(m_renameButton, &QPushButton::clicked, this, &CCustomizeDlg::onRenameToolbar);
    connect(m_deleteButton, &QPushButton::clicked, this, &CCustomizeDlg::onDeleteToolbar);
    connect(m_removeButton, &QPushButton::clicked, this, &CCustomizeDlg::onRemoveButton);
    connect(m_addButton, &QPushButton::clicked, this, &CCustomizeDlg::onAddButton);
    connect(resetButton, &QPushButton::clicked, this, &CCustomizeDlg::onReset);

    refreshToolbars(0);
}

int CCustomizeDlg::selectedSlot() const {
    const QListWidgetItem* item = m_toolbarList->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : -1;
}

int CCustomizeDlg::selectedButton() const {
    const QListWidgetItem* item = m_buttonList->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : -1;
}

QString CCustomizeDlg::commandText(int id) const {
    for (const CustomizeCommand& command : m_commands) {
        if (command.id == id) {
            return command.text;
        }
    }
    return QString::number(id);
}

QIcon CCustomizeDlg::commandIcon(const ToolbarLayoutButton& button) const {
    if (button.image >= 0 && button.image < m_userImages.size()) {
        return QIcon(m_userImages[button.image]);
    }
    for (const CustomizeCommand& command : m_commands) {
        if (command.id == button.id) {
            return command.icon;
        }
    }
    return {};
}

void CCustomizeDlg::refreshToolbars(int selectSlot) {
    {
        const QSignalBlocker blocker(m_toolbarList);
        m_toolbarList->clear();
        for (const ToolbarLayoutBar& bar : m_state.layout.bars()) {
            auto* item =
                new QListWidgetItem(bar.slot == 0 ? m_standardName : bar.name, m_toolbarList);
            item->setData(Qt::UserRole, bar.slot);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            const auto visible = m_state.toolbarVisible.find(bar.slot);
            const bool shown = visible == m_state.toolbarVisible.end() || visible->second;
            item->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
            if (bar.slot == selectSlot) {
                m_toolbarList->setCurrentItem(item);
            }
        }
        if (!m_toolbarList->currentItem()) {
            m_toolbarList->setCurrentRow(0);
        }
    }
    refreshButtons(-1);
    updateButtons();
}

void CCustomizeDlg::refreshButtons(int selectIndex) {
    const QSignalBlocker blocker(m_buttonList);
    m_buttonList->clear();
    const ToolbarLayoutBar* bar = m_state.layout.FindBar(selectedSlot());
    if (!bar) {
        return;
    }
    for (int index = 0; index < static_cast<int>(bar->buttons.size()); ++index) {
        const ToolbarLayoutButton& button = bar->buttons[index];
        auto* item = new QListWidgetItem(m_buttonList);
        item->setData(Qt::UserRole, index);
        if (button.id == 0) {
            item->setText(QStringLiteral("----------"));
        } else {
            item->setText(commandText(button.id));
            item->setIcon(commandIcon(button));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(button.hidden ? Qt::Unchecked : Qt::Checked);
        }
        if (index == selectIndex) {
            m_buttonList->setCurrentItem(item);
        }
    }
}

void CCustomizeDlg::updateButtons() {
    const int slot = selectedSlot();
    const bool userBar = slot > 0;
    m_newButton->setEnabled(m_state.layout.UserToolbarCount() < CToolbarLayout::kMaxUserToolbars);
    m_renameButton->setEnabled(userBar);
    m_deleteButton->setEnabled(userBar);
    m_removeButton->setEnabled(slot >= 0 && selectedButton() >= 0);
    m_addButton->setEnabled(slot >= 0 && m_commandList->currentItem() != nullptr);
}

void CCustomizeDlg::onToolbarItemChanged(QListWidgetItem* item) {
    m_state.toolbarVisible[item->data(Qt::UserRole).toInt()] = item->checkState() == Qt::Checked;
}

void CCustomizeDlg::onButtonItemChanged(QListWidgetItem* item) {
    m_state.layout.SetButtonHidden(selectedSlot(), item->data(Qt::UserRole).toInt(),
                                   item->checkState() != Qt::Checked);
}

void CCustomizeDlg::onNewToolbar() {
    QString name = m_nameEdit->text().trimmed();
    if (name.isEmpty()) {
        name = GetLanguageString("CustomizeUserToolbar", QStringLiteral("User Toolbar %1"), 128)
                   .arg(m_state.layout.UserToolbarCount() + 1);
    }
    const std::optional<int> slot = m_state.layout.AddUserToolbar(name);
    if (!slot) {
        return;
    }
    m_state.toolbarVisible[*slot] = true;
    m_nameEdit->clear();
    refreshToolbars(*slot);
}

void CCustomizeDlg::onRenameToolbar() {
    const int slot = selectedSlot();
    if (m_state.layout.RenameUserToolbar(slot, m_nameEdit->text())) {
        m_nameEdit->clear();
        refreshToolbars(slot);
    }
}

void CCustomizeDlg::onDeleteToolbar() {
    const int slot = selectedSlot();
    if (m_state.layout.RemoveUserToolbar(slot)) {
        m_state.toolbarVisible.erase(slot);
        refreshToolbars(0);
    }
}

void CCustomizeDlg::onRemoveButton() {
    const int index = selectedButton();
    if (m_state.layout.RemoveButton(selectedSlot(), index)) {
        refreshButtons(index);
        updateButtons();
    }
}

void CCustomizeDlg::onAddButton() {
    const QListWidgetItem* command = m_commandList->currentItem();
    const int slot = selectedSlot();
    if (!command || !m_state.layout.AddButton(slot, command->data(Qt::UserRole).toInt(),
                                              m_imageBox->currentData().toInt())) {
        return;
    }
    refreshButtons(static_cast<int>(m_state.layout.FindBar(slot)->buttons.size()) - 1);
    updateButtons();
}

void CCustomizeDlg::onReset() {
    m_state.layout.Reset();
    m_state.toolbarVisible = {{0, true}};
    for (QCheckBox* check : m_paneBoxes) {
        check->setChecked(true);
    }
    refreshToolbars(0);
}
