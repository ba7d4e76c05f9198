#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;

// The component library's menu item over a Qt action. An item with children
// shows them in a submenu of its own (Menu()); a caption of "-" makes the item
// a separator. A parent owns its children: deleting an item removes it from its
// parent and deletes its children. Window thread only.
class TMenuItem
{
public:
    using TNotifyEvent = std::function<void(TMenuItem *sender)>;

    TMenuItem();
    TMenuItem(const TMenuItem &) = delete;
    TMenuItem &operator=(const TMenuItem &) = delete;
    ~TMenuItem();

    QString Caption() const;
    void SetCaption(const QString &caption);
    QString Hint() const;               // shown in the status bar
    void SetHint(const QString &hint);
    int Tag = 0;
    bool Visible() const;
    void SetVisible(bool visible);

    // Called with this item when the user picks it, or by Click.
    TNotifyEvent OnClick;
    void Click();

    TMenuItem *Parent() const { return m_parent; }
    int MenuIndex() const;              // position in the parent; -1 without one
    int Count() const { return int(m_items.size()); }
    TMenuItem *Items(int index) const;  // null outside 0 .. Count() - 1

    // Places item at index (clamped to 0 .. Count()) and owns it.
    void Insert(int index, std::unique_ptr<TMenuItem> item);
    void Add(std::unique_ptr<TMenuItem> item) { Insert(Count(), std::move(item)); }
    // Deletes the child at index; an index outside the children does nothing.
    void Delete(int index);

    QAction *Action() const { return m_action.get(); }
    QMenu *Menu();                      // the submenu, made on first use

private:
    std::unique_ptr<QAction> m_action;
    std::unique_ptr<QMenu> m_menu;
    TMenuItem *m_parent = nullptr;
    std::vector<std::unique_ptr<TMenuItem>> m_items;   // in menu order
};
