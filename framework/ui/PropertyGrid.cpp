#include "framework/ui/PropertyGrid.h"

#include "core/Language.h"

#include <algorithm>

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kValueColumn = 1;

QColor ToQColor(COLORREF color) {
    return QColor(RedOf(color), GreenOf(color), BlueOf(color));
}

QString ColorText(COLORREF color) {
    return QString::asprintf("%d, %d, %d", RedOf(color), GreenOf(color), BlueOf(color));
}

QIcon Swatch(COLORREF color) {
    QPixmap pixmap(16, 12);
    pixmap.fill(ToQColor(color));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

std::optional<COLORREF> AskWithColorDialog(COLORREF current, QWidget* parent) {
    const QColor chosen = QColorDialog::getColor(ToQColor(current), parent);
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return MakeColorref(chosen.red(), chosen.green(), chosen.blue());
}

} // namespace

// In-place editors for text and list values. A list choice commits at once,
// as picking from a drop-down is a complete edit; typed text commits on Return
// or when the editor loses focus.
class CPropertyDelegate : public QStyledItemDelegate {
public:
    CPropertyDelegate(CPropertyGrid* grid, QTreeWidget* tree)
        : QStyledItemDelegate(tree)
        , m_grid(grid)
        , m_tree(tree) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        const CPropertyGridItem* item = ItemOf(index);
        if (item == nullptr || index.column() != kValueColumn) {
            return nullptr;
        }
        if (item->kind() == CPropertyGridItem::Kind::Text && item->allowsEdit()) {
            auto* edit = new QLineEdit(parent);
            edit->setFrame(false);
            return edit;
        }
        if (item->kind() == CPropertyGridItem::Kind::List) {
            auto* combo = new QComboBox(parent);
            combo->addItems(item->options());
            combo->setEditable(item->allowsEdit());
            // Every choice takes effect at once; the list stays open for the
            // next one until Return or a loss of focus closes it.
            auto* self = const_cast<CPropertyDelegate*>(this);
            connect(combo, &QComboBox::activated, combo,
                    [self, combo] { emit self->commitData(combo); });
            return combo;
        }
        return nullptr;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        const CPropertyGridItem* item = ItemOf(index);
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            edit->setText(item->value());
        } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            const int position = combo->findText(item->value());
            if (position >= 0) {
                combo->setCurrentIndex(position);
            } else if (combo->isEditable()) {
                combo->setEditText(item->value());
            } else {
                combo->setCurrentIndex(-1);
            }
        }
    }

    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        CPropertyGridItem* item = ItemOf(index);
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            m_grid->CommitValue(item, edit->text());
        } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            // A fixed list with nothing chosen yet has no value to commit.
            if (combo->isEditable() || combo->currentIndex() >= 0) {
                m_grid->CommitValue(item, combo->currentText());
            }
        }
    }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex&) const override {
        editor->setGeometry(option.rect);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), option.fontMetrics.height() + 10));
        return size;
    }

private:
    CPropertyGridItem* ItemOf(const QModelIndex& index) const {
        return static_cast<CPropertyGridItem*>(m_tree->itemFromIndex(index));
    }

    CPropertyGrid* m_grid;
    QTreeWidget* m_tree;
};

CPropertyGridItem::CPropertyGridItem(Kind kind, const QString& name)
    : QTreeWidgetItem(QTreeWidgetItem::UserType)
    , m_kind(kind) {
    setText(0, name);
    if (kind == Kind::Group) {
        setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        QFont bold = font(0);
        bold.setBold(true);
        setFont(0, bold);
    } else {
        setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    }
}

QString CPropertyGridItem::value() const {
    return m_kind == Kind::Color ? ColorText(m_color) : text(kValueColumn);
}

void CPropertyGridItem::setValue(const QString& value) {
    if (m_kind == Kind::Text || m_kind == Kind::List) {
        setText(kValueColumn, value);
    }
}

void CPropertyGridItem::setColor(COLORREF color) {
    m_color = color & 0x00FFFFFF;
    RefreshColorButton();
}

void CPropertyGridItem::setAllowEdit(bool allow) {
    m_allowEdit = allow;
}

void CPropertyGridItem::setAutomaticColor(COLORREF color, const QString& label) {
    m_automaticColor = color & 0x00FFFFFF;
    m_automaticLabel = label;
    RefreshColorButton();
}

void CPropertyGridItem::RefreshColorButton() {
    auto* button = treeWidget() != nullptr
                       ? qobject_cast<QToolButton*>(treeWidget()->itemWidget(this, kValueColumn))
                       : nullptr;
    if (button == nullptr) {
        return;
    }
    button->setIcon(Swatch(m_color));
    button->setText(ColorText(m_color));
    if (auto* automatic = button->findChild<QAction*>(QStringLiteral("automaticColor"))) {
        automatic->setVisible(m_automaticColor.has_value());
        if (m_automaticColor) {
            automatic->setText(m_automaticLabel);
            automatic->setIcon(Swatch(*m_automaticColor));
        }
    }
}

CPropertyGrid::CPropertyGrid(QWidget* parent)
    : QWidget(parent)
    , m_tree(new QTreeWidget(this))
    , m_description(new QLabel(this))
    , m_colorChooser(AskWithColorDialog) {
    m_tree->setObjectName(QStringLiteral("propertyTree"));
    m_tree->setColumnCount(2);
    m_tree->setHeaderHidden(true);
    m_tree->header()->setSectionResizeMode(QHeaderView::Stretch);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A click on a value edits it at once, also when its row is already the
    // current one.
    m_tree->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::EditKeyPressed);
    m_tree->setItemDelegate(new CPropertyDelegate(this, m_tree));

    m_description->setObjectName(QStringLiteral("propertyDescription"));
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_description->setTextFormat(Qt::RichText);
    m_description->setFrameShape(QFrame::StyledPanel);
    m_description->setMargin(3);
    m_description->setFixedHeight(m_description->fontMetrics().lineSpacing() * 3 + 8);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_description);

    connect(m_tree, &QTreeWidget::currentItemChanged, this, &CPropertyGrid::ShowDescription);
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int column) {
        if (column == kValueColumn) {
            m_tree->editItem(item, column);
        }
    });
}

CPropertyGridItem* CPropertyGrid::Insert(CPropertyGridItem* parent, CPropertyGridItem* item) {
    if (parent != nullptr) {
        parent->addChild(item);
    } else {
        m_tree->addTopLevelItem(item);
    }
    if (item->kind() == CPropertyGridItem::Kind::Group) {
        item->setFirstColumnSpanned(true);
        item->setExpanded(true);
    }
    return item;
}

CPropertyGridItem* CPropertyGrid::addGroup(const QString& name, CPropertyGridItem* parent) {
    return Insert(parent, new CPropertyGridItem(CPropertyGridItem::Kind::Group, name));
}

CPropertyGridItem* CPropertyGrid::addText(CPropertyGridItem* parent, const QString& name,
                                          const QString& value) {
    auto* item = new CPropertyGridItem(CPropertyGridItem::Kind::Text, name);
    item->setValue(value);
    return Insert(parent, item);
}

CPropertyGridItem* CPropertyGrid::addList(CPropertyGridItem* parent, const QString& name,
                                          const QString& value, const QStringList& options,
                                          bool allowEdit) {
    auto* item = new CPropertyGridItem(CPropertyGridItem::Kind::List, name);
    item->setValue(value);
    item->m_options = options;
    item->setAllowEdit(allowEdit);
    return Insert(parent, item);
}

CPropertyGridItem* CPropertyGrid::addColor(CPropertyGridItem* parent, const QString& name,
                                           COLORREF color) {
    auto* item = new CPropertyGridItem(CPropertyGridItem::Kind::Color, name);
    item->setAllowEdit(false);
    Insert(parent, item);
    AttachColorButton(item);
    item->setColor(color);
    return item;
}

void CPropertyGrid::AttachColorButton(CPropertyGridItem* item) {
    auto* button = new QToolButton;
    button->setObjectName(QStringLiteral("colorButton"));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // The button itself opens the colour dialog; its arrow offers the
    // automatic colour as well.
    button->setPopupMode(QToolButton::MenuButtonPopup);
    button->setAutoRaise(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* menu = new QMenu(button);
    QAction* automatic = menu->addAction(QString());
    automatic->setObjectName(QStringLiteral("automaticColor"));
    automatic->setVisible(false);
    QAction* other =
        menu->addAction(GetLanguageString("OtherColor", QStringLiteral("Other..."), 48));
    other->setObjectName(QStringLiteral("otherColor"));
    button->setMenu(menu);
    m_tree->setItemWidget(item, kValueColumn, button);
    connect(button, &QToolButton::clicked, other, &QAction::trigger);

    connect(automatic, &QAction::triggered, this, [this, item] {
        if (item->automaticColor()) {
            CommitColor(item, *item->automaticColor());
        }
    });
    connect(other, &QAction::triggered, this, [this, item] {
        if (const std::optional<COLORREF> chosen = m_colorChooser(item->color(), this)) {
            CommitColor(item, *chosen);
        }
    });
}

void CPropertyGrid::removeAll() {
    m_tree->clear();
    m_description->clear();
}

int CPropertyGrid::topLevelCount() const {
    return m_tree->topLevelItemCount();
}

CPropertyGridItem* CPropertyGrid::topLevelItem(int index) const {
    return static_cast<CPropertyGridItem*>(m_tree->topLevelItem(index));
}

CPropertyGridItem* CPropertyGrid::findItem(int data) const {
    for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it) {
        auto* item = static_cast<CPropertyGridItem*>(*it);
        if (item->itemData() == data) {
            return item;
        }
    }
    return nullptr;
}

void CPropertyGrid::setColorChooser(ColorChooser chooser) {
    m_colorChooser = chooser ? std::move(chooser) : AskWithColorDialog;
}

void CPropertyGrid::CommitValue(CPropertyGridItem* item, const QString& value) {
    if (item->value() == value) {
        return;
    }
    item->setValue(value);
    emit propertyChanged(item);
}

void CPropertyGrid::CommitColor(CPropertyGridItem* item, COLORREF color) {
    if (item->color() == (color & 0x00FFFFFF)) {
        return;
    }
    item->setColor(color);
    emit propertyChanged(item);
}

void CPropertyGrid::ShowDescription(QTreeWidgetItem* current) {
    const auto* item = static_cast<CPropertyGridItem*>(current);
    if (item == nullptr) {
        m_description->clear();
        return;
    }
    QString html = QStringLiteral("<b>") + item->name().toHtmlEscaped() + QStringLiteral("</b>");
    if (!item->description().isEmpty()) {
        html += QStringLiteral("<br>") + item->description().toHtmlEscaped();
    }
    m_description->setText(html);
}
