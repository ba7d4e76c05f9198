#include <lib/controls/AlignLayout.h>

#include <gtest/gtest.h>

#include <QWidget>

TEST(AlignLayout, PlacesByAlignTopsAndBottomsBeforeSides)
{
    QWidget form;
    form.resize(300, 200);
    auto *layout = new TAlignLayout(&form);
    auto add = [&](TAlign align, QSize size) {
        auto *child = new QWidget(&form);
        child->resize(size);
        layout->addWidget(child, align);
        return child;
    };
    // Made in an order that mixes the kinds: the side ones still fit between
    // the top and bottom ones.
    QWidget *left = add(alLeft, {30, 1});
    QWidget *top1 = add(alTop, {1, 20});
    QWidget *client = add(alClient, {1, 1});
    QWidget *bottom = add(alBottom, {1, 15});
    QWidget *top2 = add(alTop, {1, 10});
    QWidget *right = add(alRight, {25, 1});
    QWidget *hidden = add(alTop, {1, 50});
    hidden->hide();
    QWidget *free = add(alNone, {7, 7});
    free->move(3, 4);

    EXPECT_EQ(top1->geometry(), QRect(0, 0, 300, 20));
    EXPECT_EQ(top2->geometry(), QRect(0, 20, 300, 10));
    EXPECT_EQ(bottom->geometry(), QRect(0, 185, 300, 15));
    EXPECT_EQ(left->geometry(), QRect(0, 30, 30, 155));
    EXPECT_EQ(right->geometry(), QRect(275, 30, 25, 155));
    EXPECT_EQ(client->geometry(), QRect(30, 30, 245, 155));
    EXPECT_EQ(free->geometry(), QRect(3, 4, 7, 7));

    // A child that grows takes its room at once, and a shown one takes its place.
    top1->resize(300, 40);
    hidden->show();
    layout->Realign();
    EXPECT_EQ(hidden->geometry(), QRect(0, 50, 300, 50));
    EXPECT_EQ(client->geometry(), QRect(30, 100, 245, 85));
}
