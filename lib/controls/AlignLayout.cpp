#include "AlignLayout.h"

#include <QWidget>

#include <array>

TAlignLayout::TAlignLayout(QWidget *parent)
    : QLayout(parent)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

TAlignLayout::~TAlignLayout()
{
    for (const Entry &entry : m_entries)
        delete entry.item;
}

void TAlignLayout::addWidget(QWidget *widget, TAlign align)
{
    addChildWidget(widget);
    m_entries.push_back({new QWidgetItem(widget), align});
    Realign();
}

void TAlignLayout::setAlign(QWidget *widget, TAlign align)
{
    for (Entry &entry : m_entries) {
        if (entry.item->widget() == widget)
            entry.align = align;
    }
    Realign();
}

void TAlignLayout::addItem(QLayoutItem *item)
{
    m_entries.push_back({item, alNone});
    invalidate();
}

int TAlignLayout::count() const
{
    return int(m_entries.size());
}

QLayoutItem *TAlignLayout::itemAt(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return m_entries[size_t(index)].item;
}

QLayoutItem *TAlignLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem *item = m_entries[size_t(index)].item;
    m_entries.erase(m_entries.begin() + index);
    invalidate();
    return item;
}

// The form decides its own size; the children follow it.
QSize TAlignLayout::sizeHint() const
{
    return {0, 0};
}

QSize TAlignLayout::minimumSize() const
{
    return {0, 0};
}

void TAlignLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    Realign();
}

void TAlignLayout::Realign()
{
    if (m_aligning) {
        m_again = true;
        return;
    }
    m_aligning = true;
    do {
        m_again = false;
        place(parentWidget() ? parentWidget()->contentsRect() : contentsRect());
    } while (m_again);
    m_aligning = false;
}

void TAlignLayout::place(QRect free) const
{
    static constexpr std::array<TAlign, 5> Order{alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign align : Order) {
        for (const Entry &entry : m_entries) {
            QWidget *widget = entry.item->widget();
            if (entry.align != align || !widget || widget->isHidden())
                continue;
            switch (align) {
            case alTop:
                widget->setGeometry(free.left(), free.top(), free.width(), widget->height());
                free.setTop(free.top() + widget->height());
                break;
            case alBottom:
                widget->setGeometry(free.left(), free.bottom() + 1 - widget->height(), free.width(), widget->height());
                free.setBottom(free.bottom() - widget->height());
                break;
            case alLeft:
                widget->setGeometry(free.left(), free.top(), widget->width(), free.height());
                free.setLeft(free.left() + widget->width());
                break;
            case alRight:
                widget->setGeometry(free.right() + 1 - widget->width(), free.top(), widget->width(), free.height());
                free.setRight(free.right() - widget->width());
                break;
            default:
                widget->setGeometry(free);
                break;
            }
        }
    }
}
