#pragma once

#include <QLayout>

#include <vector>

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Places a form's children by their Align, as the component library does: all
// top children first, stacked down from the top in the order they were added,
// each across the full width at its own height; then the bottom ones, stacked
// up from the bottom; then the left and right ones, each over the height that
// is left at its own width; last the client ones, over what remains. A hidden
// child takes no room, and an alNone child stays where it is. Window thread only.
class TAlignLayout : public QLayout
{
public:
    explicit TAlignLayout(QWidget *parent = nullptr);
    ~TAlignLayout() override;

    void addWidget(QWidget *widget, TAlign align);
    void setAlign(QWidget *widget, TAlign align);
    // Places the children again at once, for a child whose own size changed.
    // Safe to call from a child that is being placed: the pass runs again.
    void Realign();

    void addItem(QLayoutItem *item) override;
    int count() const override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;

private:
    struct Entry
    {
        QLayoutItem *item;   // owned
        TAlign align;
    };

    void place(QRect free) const;

    std::vector<Entry> m_entries;
    bool m_aligning = false;   // a pass is running
    bool m_again = false;      // a child asked for another pass during it
};
