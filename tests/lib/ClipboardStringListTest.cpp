#include <lib/ClipboardStringList.h>
#include <platform/Clipboard.h>

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

namespace {

class TestClipboardList : public TClipboardStringList
{
public:
    UINT GetClipboardFormat() const override { return RegisterClipboardFormatA("Test list data"); }
};

class OtherClipboardList : public TClipboardStringList
{
public:
    UINT GetClipboardFormat() const override { return RegisterClipboardFormatA("Other list data"); }
};

} // namespace

TEST(TClipboardStringList, TravelsThroughTheClipboardInItsOwnFormat)
{
    TestClipboardList out;
    out.Add("ZILO C");
    out.Add("C:\\Pics\\a.jpg");
    out.Add(QString::fromUtf8("C:\\Pics\\\xc3\xa9t\xc3\xa9.jpg"));
    out.SetToClipboard();
    EXPECT_EQ(out.Count(), 0) << "the list goes to the clipboard";

    QByteArray raw;
    ASSERT_TRUE(GetClipboardData(out.GetClipboardFormat(), raw));
    EXPECT_EQ(raw, QByteArray("ZILO C\r\nC:\\Pics\\a.jpg\r\nC:\\Pics\\\xc3\xa9t\xc3\xa9.jpg\r\n", 42) + '\0');

    TestClipboardList in;
    in.Add("old line");
    EXPECT_TRUE(in.IsDataAvailable());
    ASSERT_TRUE(in.GetFromClipboard());
    EXPECT_EQ(in.ToStringList(),
              QStringList({"ZILO C", "C:\\Pics\\a.jpg", QString::fromUtf8("C:\\Pics\\\xc3\xa9t\xc3\xa9.jpg")}));

    OtherClipboardList other;
    other.Add("kept");
    EXPECT_FALSE(other.IsDataAvailable());
    EXPECT_FALSE(other.GetFromClipboard());
    EXPECT_EQ(other.ToStringList(), QStringList({"kept"}));

    in.ClearClipboard();
    EXPECT_FALSE(in.IsDataAvailable());
}

TEST(TClipboardStringList, AnotherProgramsTextIsNotTheList)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("ZILO X\r\nC:\\a.jpg\r\n"));
    TestClipboardList list;
    list.Add("kept");
    EXPECT_FALSE(list.IsDataAvailable());
    EXPECT_FALSE(list.GetFromClipboard());
    EXPECT_EQ(list.ToStringList(), QStringList({"kept"}));
}

TEST(TClipboardStringList, ReadsDataWithoutItsTerminatingNul)
{
    TestClipboardList list;
    ASSERT_TRUE(SetClipboardData(list.GetClipboardFormat(), "one\r\ntwo"));
    ASSERT_TRUE(list.GetFromClipboard());
    EXPECT_EQ(list.ToStringList(), QStringList({"one", "two"}));
}
