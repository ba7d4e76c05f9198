#include "Menus.h"

#include <QAction>
#include <QMenu>

#include <algorithm>

TMenuItem::TMenuItem() : m_action(std::make_unique<QAction>())
{
    QObject::connect(m_action.get(), &QAction::triggered, m_action.get(), [this] { Click(); });
}

TMenuItem::~TMenuItem()
{
    // The children are taken out first, so that none finds itself among them.
    std::vector<std::unique_ptr<TMenuItem>> children = std::move(m_items);
    children.clear();
    if (!m_parent)
        return;
    std::vector<std::unique_ptr<TMenuItem>> &siblings = m_parent->m_items;
    const auto self = std::find_if(siblings.begin(), siblings.end(),
                                   [this](const std::unique_ptr<TMenuItem> &item) { return item.get() == this; });
    if (self == siblings.end())
        return;   // the parent is deleting this item
    self->release();
    siblings.erase(self);
}

QString TMenuItem::Caption() const
{
    return m_action->isSeparator() ? QStringLiteral("-") : m_action->text();
}

void TMenuItem::SetCaption(const QString &caption)
{
    const bool separator = caption == QLatin1String("-");
    m_action->setSeparator(separator);
    m_action->setText(separator ? QString() : caption);
}

QString TMenuItem::Hint() const
{
    return m_action->statusTip();
}

void TMenuItem::SetHint(const QString &hint)
{
    m_action->setStatusTip(hint);
}

bool TMenuItem::Visible() const
{
    return m_action->isVisible();
}

void TMenuItem::SetVisible(bool visible)
{
    m_action->setVisible(visible);
}

void TMenuItem::Click()
{
    if (OnClick)
        OnClick(this);
}

int TMenuItem::MenuIndex() const
{
    if (!m_parent)
        return -1;
    const std::vector<std::unique_ptr<TMenuItem>> &siblings = m_parent->m_items;
    for (size_t index = 0; index < siblings.size(); ++index) {
        if (siblings[index].get() == this)
            return int(index);
    }
    return -1;
}

TMenuItem *TMenuItem::Items(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_items[size_t(index)].get();
}

void TMenuItem::Insert(int index, std::unique_ptr<TMenuItem> item)
{
    index = std::clamp(index, 0, Count());
    QAction *before = index < Count() ? m_items[size_t(index)]->Action() : nullptr;
    Menu()->insertAction(before, item->Action());
    item->m_parent = this;
    m_items.insert(m_items.begin() + index, std::move(item));
}

void TMenuItem::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    std::unique_ptr<TMenuItem> item = std::move(m_items[size_t(index)]);
    m_items.erase(m_items.begin() + index);
    m_menu->removeAction(item->Action());
}

QMenu *TMenuItem::Menu()
{
    if (!m_menu) {
        m_menu = std::make_unique<QMenu>();
        m_action->setMenu(m_menu.get());
    }
    return m_menu.get();
}
