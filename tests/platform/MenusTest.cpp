#include <platform/Menus.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include <memory>

namespace {

std::unique_ptr<TMenuItem> item(const QString &caption)
{
    auto made = std::make_unique<TMenuItem>();
    made->SetCaption(caption);
    return made;
}

QStringList shownCaptions(TMenuItem &parent)
{
    QStringList captions;
    for (const QAction *action : parent.Menu()->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}

} // namespace

TEST(MenuItem, KeepsItsChildrenInOrderInItsQtMenu)
{
    TMenuItem file;
    file.Add(item("&Open"));
    file.Add(item("-"));
    file.Add(item("E&xit"));
    file.Insert(1, item("&Save"));
    file.Insert(99, item("last"));

    EXPECT_EQ(shownCaptions(file), QStringList({"&Open", "&Save", "-", "E&xit", "last"}));
    ASSERT_EQ(file.Count(), 5);
    EXPECT_EQ(file.Items(2)->Caption(), "-");
    EXPECT_TRUE(file.Items(2)->Action()->isSeparator());
    EXPECT_EQ(file.Items(3)->Parent(), &file);
    EXPECT_EQ(file.Items(3)->MenuIndex(), 3);
    EXPECT_EQ(file.Items(5), nullptr);
    EXPECT_EQ(file.MenuIndex(), -1);

    file.Delete(1);
    file.Delete(7);
    EXPECT_EQ(shownCaptions(file), QStringList({"&Open", "-", "E&xit", "last"}));
}

TEST(MenuItem, DeletingAChildTakesItOutOfItsParent)
{
    TMenuItem file;
    file.Add(item("a"));
    file.Add(item("b"));
    TMenuItem *a = file.Items(0);
    a->Add(item("inner"));
    delete a;   // as the component library's callers free an item
    EXPECT_EQ(file.Count(), 1);
    EXPECT_EQ(shownCaptions(file), QStringList({"b"}));
    EXPECT_EQ(file.Items(0)->MenuIndex(), 0);
}

TEST(MenuItem, ClickCallsTheHandlerWithTheItem)
{
    TMenuItem file;
    file.Add(item("recent"));
    TMenuItem *recent = file.Items(0);
    TMenuItem *sender = nullptr;
    recent->Tag = 7;
    recent->OnClick = [&sender](TMenuItem *item) { sender = item; };
    recent->Action()->trigger();
    EXPECT_EQ(sender, recent);
    EXPECT_EQ(sender->Tag, 7);

    TMenuItem silent;
    silent.Click();   // no handler: nothing happens
}

TEST(MenuItem, HintAndVisibilityReachTheAction)
{
    TMenuItem entry;
    entry.SetHint("C:\\Pics\\a.zile");
    entry.SetVisible(false);
    EXPECT_EQ(entry.Hint(), "C:\\Pics\\a.zile");
    EXPECT_EQ(entry.Action()->statusTip(), "C:\\Pics\\a.zile");
    EXPECT_FALSE(entry.Visible());
    EXPECT_FALSE(entry.Action()->isVisible());
}
