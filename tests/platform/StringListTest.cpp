#include <platform/Exception.h>
#include <platform/List.h>
#include <platform/StringList.h>

#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include <unistd.h>

TEST(StrToInt, AcceptsTheComponentLibraryForms)
{
    const struct { const char *text; bool ok; int32_t value; } cases[] = {
        {"0", true, 0},          {"-3", true, -3},        {"+12", true, 12},
        {"0x1F", true, 31},      {"0X1f", true, 31},      {"$FF", true, 255},
        {"0xFFFFFFFF", true, -1}, {"2147483647", true, INT32_MAX},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0}, {"abc", false, 0},      {"", false, 0},
        {"12abc", false, 0},     {"0x", false, 0},        {"--1", false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        int32_t value = 0;
        EXPECT_EQ(TryStrToInt(QString::fromUtf8(c.text), value), c.ok);
        if (c.ok)
            EXPECT_EQ(value, c.value);
        else
            EXPECT_THROW(StrToInt(QString::fromUtf8(c.text)), EConvertError);
    }
}

TEST(TList, IndexErrorsRaiseAndEditsKeepOrder)
{
    int a = 1, b = 2, c = 3;
    TList list;
    list.Add(&a);
    list.Add(&b);
    list.Add(&c);
    EXPECT_THROW(list.Get(3), EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
    EXPECT_EQ(list.Remove(&b), 1);
    EXPECT_EQ(list.Remove(&b), -1);
    list.Insert(0, &b);
    EXPECT_EQ(list[0], &b);
    list.Move(0, 2);
    EXPECT_EQ(list.IndexOf(&b), 2);
    list.SetCount(5);
    EXPECT_EQ(list[4], nullptr);
    list.Pack();
    EXPECT_EQ(list.Count(), 3);
    list.Sort([](void *x, void *y) { return *static_cast<int *>(x) - *static_cast<int *>(y); });
    EXPECT_EQ(list[0], &a);
    EXPECT_EQ(list[2], &c);
}

TEST(TStringList, IndexOfIgnoresCase)
{
    TStringList list;
    list.Add("C:\\Pics\\A.jpg");
    list.Add("b");
    EXPECT_EQ(list.IndexOf("c:\\pics\\a.JPG"), 0);
    EXPECT_EQ(list.IndexOf("B"), 1);
    EXPECT_EQ(list.IndexOf("c"), -1);
}

TEST(TStringList, SortedListFindsAndRefusesDuplicatesAsAsked)
{
    TStringList list;
    list.SetSorted(true);
    for (const char *line : {"pear", "Apple", "fig", "apple"})
        list.Add(line);
    EXPECT_EQ(list.ToStringList(), QStringList({"Apple", "fig", "pear"}));
    int index = -1;
    EXPECT_TRUE(list.Find("FIG", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(list.Find("grape", index));
    EXPECT_EQ(index, 2);
    EXPECT_THROW(list.Insert(0, "x"), EListError);
    list.SetDuplicates(dupError);
    EXPECT_THROW(list.Add("PEAR"), EListError);
}

TEST(TStrings, CommaTextRoundTripsAwkwardLines)
{
    const QStringList lines = {"plain", "two words", "quote \"inside\"", "a,b", "", "tab\there", "last"};
    TStringList list;
    for (const QString &line : lines)
        list.Add(line);
    TStringList back;
    back.SetCommaText(list.CommaText());
    EXPECT_EQ(back.ToStringList(), lines);
}

TEST(TStrings, CommaTextReadsTheComponentLibraryForms)
{
    const struct { const char *text; QStringList lines; } cases[] = {
        {"a,b,c", {"a", "b", "c"}},
        {"  a , b", {"a", "b"}},
        {"a b", {"a", "b"}},
        {"\"a b\",c", {"a b", "c"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"a,,b", {"a", "", "b"}},
        {"\"\"", {""}},
        {"", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        TStringList list;
        list.SetCommaText(QString::fromUtf8(c.text));
        EXPECT_EQ(list.ToStringList(), c.lines);
    }
    TStringList single;
    single.Add("");
    EXPECT_EQ(single.CommaText(), "\"\"");
}

TEST(TStrings, TextSplitsEveryLineEnd)
{
    TStringList list;
    list.SetText("one\r\ntwo\nthree\rfour");
    EXPECT_EQ(list.ToStringList(), QStringList({"one", "two", "three", "four"}));
    EXPECT_EQ(list.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
}

TEST(TStrings, NamesAndValues)
{
    TStringList list;
    list.Add("Size=80");
    list.SetValue("size", "96");
    list.SetValue("Quality", "75");
    EXPECT_EQ(list.Value("SIZE"), "96");
    EXPECT_EQ(list.Name(1), "Quality");
    list.SetValue("Quality", "");
    EXPECT_EQ(list.Count(), 1);
}

TEST(TStrings, SavesAndLoadsFiles)
{
    TStringList list;
    list.Add("first");
    list.Add("zweite Zeile \xC3\xA4");
    const QString file = TestWindowsPath("lines.txt");
    list.SaveToFile(file);
    EXPECT_EQ(ReadHostFile(TestHostFolder() + "/lines.txt"), QByteArray("first\r\nzweite Zeile \xC3\xA4\r\n"));
    TStringList back;
    back.LoadFromFile(file);
    EXPECT_EQ(back.ToStringList(), list.ToStringList());
    EXPECT_THROW(back.LoadFromFile(TestWindowsPath("missing.txt")), EFOpenError);

    // A file too large for one read is refused before anything is allocated.
    const std::string huge = TestHostFolder() + "/huge.txt";
    WriteHostFile(huge, "");
    ASSERT_EQ(::truncate(huge.c_str(), int64_t(INT32_MAX) + 1), 0);
    EXPECT_THROW(back.LoadFromFile(TestWindowsPath("huge.txt")), EStreamError);
    EXPECT_EQ(back.ToStringList(), list.ToStringList()) << "the list is left as it was";
}
