#include "core/ToolbarLayout.h"

#include <algorithm>
#include <set>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace {

constexpr int kFormatVersion = 1;

bool IsInt(const QJsonValue& value) {
    // JSON numbers are doubles; a place id must be a whole number in range.
    if (!value.isDouble()) {
        return false;
    }
    const double number = value.toDouble();
    return number >= -2147483648.0 && number <= 2147483647.0 &&
           number == static_cast<double>(static_cast<long long>(number));
}

} // namespace

CToolbarLayout::CToolbarLayout(std::vector<int> standardIds)
    : m_standardIds(std::move(standardIds)) {
    Reset();
}

const ToolbarLayoutBar* CToolbarLayout::FindBar(int slot) const {
    for (const ToolbarLayoutBar& candidate : m_bars) {
        if (candidate.slot == slot) {
            return &candidate;
        }
    }
    return nullptr;
}

ToolbarLayoutBar* CToolbarLayout::bar(int slot) {
    return const_cast<ToolbarLayoutBar*>(FindBar(slot));
}

bool CToolbarLayout::HasCommand(const ToolbarLayoutBar& bar, int id) {
    return id != 0 &&
           std::any_of(bar.buttons.begin(), bar.buttons.end(),
                       [id](const ToolbarLayoutButton& button) { return button.id == id; });
}

QString CToolbarLayout::CleanName(const QString& name) {
    // A clean name must come back from cleaning unchanged, or it would change
    // at every save and load. So lone surrogates become what saving as UTF-8
    // makes of them, and what the cut leaves at the end (whitespace, half of
    // a surrogate pair) goes too.
    QString clean = QString::fromUtf8(name.toUtf8()).trimmed().left(kMaxNameLength);
    if (!clean.isEmpty() && clean.back().isHighSurrogate()) {
        clean.chop(1);
    }
    return clean.trimmed();
}

std::optional<int> CToolbarLayout::AddUserToolbar(const QString& name) {
    const QString clean = CleanName(name);
    if (clean.isEmpty() || UserToolbarCount() >= kMaxUserToolbars) {
        return std::nullopt;
    }
    int slot = 1;
    while (FindBar(slot)) {
        ++slot;
    }
    ToolbarLayoutBar added{slot, clean, {}};
    const auto place = std::find_if(m_bars.begin(), m_bars.end(),
                                    [slot](const ToolbarLayoutBar& b) { return b.slot > slot; });
    m_bars.insert(place, std::move(added));
    return slot;
}

bool CToolbarLayout::RenameUserToolbar(int slot, const QString& name) {
    ToolbarLayoutBar* target = bar(slot);
    const QString clean = CleanName(name);
    if (slot == 0 || !target || clean.isEmpty()) {
        return false;
    }
    target->name = clean;
    return true;
}

bool CToolbarLayout::RemoveUserToolbar(int slot) {
    if (slot == 0 || !FindBar(slot)) {
        return false;
    }
    std::erase_if(m_bars, [slot](const ToolbarLayoutBar& b) { return b.slot == slot; });
    return true;
}

bool CToolbarLayout::AddButton(int slot, int id, int image) {
    ToolbarLayoutBar* target = bar(slot);
    if (!target || id <= 0 || image < -1 || image > kMaxImageIndex || HasCommand(*target, id) ||
        static_cast<int>(target->buttons.size()) >= kMaxButtonsPerBar) {
        return false;
    }
    target->buttons.push_back({id, image, false});
    return true;
}

bool CToolbarLayout::RemoveButton(int slot, int index) {
    ToolbarLayoutBar* target = bar(slot);
    if (!target || index < 0 || index >= static_cast<int>(target->buttons.size())) {
        return false;
    }
    target->buttons.erase(target->buttons.begin() + index);
    return true;
}

bool CToolbarLayout::SetButtonHidden(int slot, int index, bool hidden) {
    ToolbarLayoutBar* target = bar(slot);
    if (!target || index < 0 || index >= static_cast<int>(target->buttons.size()) ||
        target->buttons[index].id == 0) {
        return false;
    }
    target->buttons[index].hidden = hidden;
    return true;
}

bool CToolbarLayout::MoveButton(int fromSlot, int fromIndex, int toSlot, int toIndex) {
    ToolbarLayoutBar* source = bar(fromSlot);
    ToolbarLayoutBar* target = bar(toSlot);
    if (!source || !target || fromIndex < 0 ||
        fromIndex >= static_cast<int>(source->buttons.size()) || toIndex < 0) {
        return false;
    }
    const ToolbarLayoutButton moved = source->buttons[fromIndex];
    if (source != target && (HasCommand(*target, moved.id) ||
                             static_cast<int>(target->buttons.size()) >= kMaxButtonsPerBar)) {
        return false;
    }
    source->buttons.erase(source->buttons.begin() + fromIndex);
    toIndex = std::min(toIndex, static_cast<int>(target->buttons.size()));
    target->buttons.insert(target->buttons.begin() + toIndex, moved);
    return true;
}

std::vector<std::pair<int, ToolbarLayoutButton>> CToolbarLayout::ShownButtons(int slot) const {
    std::vector<std::pair<int, ToolbarLayoutButton>> shown;
    const ToolbarLayoutBar* source = FindBar(slot);
    if (!source) {
        return shown;
    }
    bool separatorDue = false;
    for (int index = 0; index < static_cast<int>(source->buttons.size()); ++index) {
        const ToolbarLayoutButton& button = source->buttons[index];
        if (button.hidden) {
            continue;
        }
        if (button.id == 0) {
            separatorDue = !shown.empty();
            continue;
        }
        if (separatorDue) {
            shown.emplace_back(-1, ToolbarLayoutButton{});
            separatorDue = false;
        }
        shown.emplace_back(index, button);
    }
    return shown;
}

void CToolbarLayout::Reset() {
    ToolbarLayoutBar standard{0, QString(), {}};
    for (int id : m_standardIds) {
        standard.buttons.push_back({id, -1, false});
    }
    m_bars = {std::move(standard)};
}

bool CToolbarLayout::IsDefault() const {
    return *this == CToolbarLayout(m_standardIds);
}

QByteArray CToolbarLayout::Serialize() const {
    QJsonArray bars;
    for (const ToolbarLayoutBar& source : m_bars) {
        QJsonArray buttons;
        for (const ToolbarLayoutButton& button : source.buttons) {
            QJsonObject place{{QStringLiteral("id"), button.id}};
            if (button.image >= 0) {
                place.insert(QStringLiteral("image"), button.image);
            }
            if (button.hidden) {
                place.insert(QStringLiteral("hidden"), true);
            }
            buttons.append(place);
        }
        QJsonObject entry{{QStringLiteral("slot"), source.slot},
                          {QStringLiteral("buttons"), buttons}};
        if (source.slot != 0) {
            entry.insert(QStringLiteral("name"), source.name);
        }
        bars.append(entry);
    }
    const QJsonObject root{{QStringLiteral("version"), kFormatVersion},
                           {QStringLiteral("toolbars"), bars}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

bool CToolbarLayout::Restore(const QByteArray& data, const std::function<bool(int id)>& isCommand) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return false;
    }
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("version")) != QJsonValue(kFormatVersion) ||
        !root.value(QStringLiteral("toolbars")).isArray()) {
        return false;
    }
    const QJsonArray bars = root.value(QStringLiteral("toolbars")).toArray();
    if (bars.isEmpty() || bars.size() > kMaxUserToolbars + 1) {
        return false;
    }
    std::vector<ToolbarLayoutBar> restored;
    std::set<int> seenSlots;
    for (const QJsonValue& barValue : bars) {
        const QJsonObject entry = barValue.toObject();
        const QJsonValue slotValue = entry.value(QStringLiteral("slot"));
        const QJsonValue buttonsValue = entry.value(QStringLiteral("buttons"));
        if (!IsInt(slotValue) || !buttonsValue.isArray()) {
            return false;
        }
        ToolbarLayoutBar loaded;
        loaded.slot = slotValue.toInt();
        // The standard toolbar comes first; user toolbars follow in slot order.
        const bool standard = restored.empty();
        if ((standard != (loaded.slot == 0)) || loaded.slot < 0 || loaded.slot > kMaxUserToolbars ||
            !seenSlots.insert(loaded.slot).second ||
            (!standard && loaded.slot < restored.back().slot)) {
            return false;
        }
        if (!standard) {
            const QJsonValue nameValue = entry.value(QStringLiteral("name"));
            loaded.name = CleanName(nameValue.toString());
            if (!nameValue.isString() || loaded.name.isEmpty()) {
                return false;
            }
        }
        const QJsonArray buttons = buttonsValue.toArray();
        if (buttons.size() > kMaxButtonsPerBar) {
            return false;
        }
        for (const QJsonValue& buttonValue : buttons) {
            const QJsonObject place = buttonValue.toObject();
            const QJsonValue id = place.value(QStringLiteral("id"));
            const QJsonValue image = place.value(QStringLiteral("image"));
            const QJsonValue hidden = place.value(QStringLiteral("hidden"));
            if (!IsInt(id) || (!image.isUndefined() && !IsInt(image)) ||
                (!hidden.isUndefined() && !hidden.isBool())) {
                return false;
            }
            const ToolbarLayoutButton button{id.toInt(), image.toInt(-1), hidden.toBool(false)};
            if (button.id < 0 || (button.id > 0 && !isCommand(button.id)) || button.image < -1 ||
                button.image > kMaxImageIndex ||
                (button.id == 0 && (button.hidden || button.image != -1)) ||
                HasCommand(loaded, button.id)) {
                return false;
            }
            loaded.buttons.push_back(button);
        }
        restored.push_back(std::move(loaded));
    }
    m_bars = std::move(restored);
    return true;
}
