#include <lib/String.h>

#include <gtest/gtest.h>

#include <string>

TEST(CString, FormatFileSize)
{
    const struct { uint64_t size; const char *text; } cases[] = {
        {0, "0 bytes"},
        {1, "1 byte"},
        {1023, "1023 bytes"},
        {1024, "1KB"},
        {1536, "1.5KB"},
        {1022975, "999KB"},
        {1022976, "0.976MB"},
        {1047527424, "0.976GB"},
        {1000ULL * 1073741824ULL, "1e+03GB"},
        {5ULL << 40, "5.12e+03GB"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.size);
        CString text;
        text.FormatFileSize(c.size);
        EXPECT_STREQ(text, c.text);
    }
}

TEST(CString, MakeFullPath)
{
    const struct { const char *folder, *file, *path; } cases[] = {
        {"C:\\", "a.jpg", "C:\\a.jpg"},
        {"C:\\Pics", "a.jpg", "C:\\Pics\\a.jpg"},
        {"C:\\Pics", "", "C:\\Pics"},
        {"", "a.jpg", "a.jpg"},
    };
    for (const auto &c : cases)
        EXPECT_STREQ(CString::MakeFullPath(c.folder, c.file), c.path);
}

TEST(CString, PartsOfTheText)
{
    const CString abc("abc");
    EXPECT_STREQ(abc.Left(5), "abc");
    EXPECT_STREQ(abc.Right(5), "abc");
    EXPECT_STREQ(abc.Left(2), "ab");
    EXPECT_STREQ(abc.Right(2), "bc");
    EXPECT_STREQ(abc.Mid(1), "bc");
    EXPECT_STREQ(abc.Mid(1, 1), "b");
    EXPECT_STREQ(abc.Mid(3), "");
    EXPECT_STREQ(CString("MiXed 1").AsUpper(), "MIXED 1");
    EXPECT_STREQ(CString("MiXed 1").AsLower(), "mixed 1");
}

TEST(CString, Searching)
{
    const CString text("a.b.c");
    EXPECT_EQ(text.Find('.'), 1);
    EXPECT_EQ(text.ReverseFind('.'), 3);
    EXPECT_EQ(text.Find('x'), -1);
    EXPECT_EQ(text.Find('\0'), -1);
    EXPECT_EQ(text.Find("b.c"), 2);
    EXPECT_EQ(text.Find("bc"), -1);
    EXPECT_EQ(text.FindOneOf("cb"), 2);
    EXPECT_EQ(text.FindOneOf(""), -1);
}

TEST(CString, TrimsOnlySpaces)
{
    CString text("  a \t ");
    text.TrimRight();
    EXPECT_STREQ(text, "  a \t");
    text.TrimLeft();
    EXPECT_STREQ(text, "a \t");
    CString standard("  hELLO World ");
    standard.MakeStandard();
    EXPECT_STREQ(standard, "Hello world");
    CString empty;
    empty.MakeStandard();
    EXPECT_STREQ(empty, "");
}

TEST(CString, GrowsInStepsAndReturnsToTheInlineStore)
{
    CString text;
    std::string expected;
    for (int i = 0; i < 100; ++i) {
        const char c = char('a' + i % 26);
        text += c;
        expected += c;
        ASSERT_STREQ(text, expected.c_str());
        EXPECT_EQ(text.GetCapacity() % 32, 0);
        EXPECT_GE(text.GetCapacity(), text.GetLength());
    }
    EXPECT_EQ(text.GetCapacity(), 128);
    EXPECT_FALSE(text.IsInline());
    text.Empty();
    EXPECT_TRUE(text.IsInline());
    EXPECT_EQ(text.GetCapacity(), 32);
}

TEST(CString, FreeExtraShrinksToTheText)
{
    CString text(std::string(40, 'x').c_str());
    text += std::string(30, 'y').c_str();
    EXPECT_EQ(text.GetCapacity(), 96);
    text.FreeExtra();
    EXPECT_EQ(text.GetCapacity(), 70);
    EXPECT_EQ(text.GetLength(), 70);
    text = "short";
    text.FreeExtra();
    EXPECT_TRUE(text.IsInline());
    EXPECT_STREQ(text, "short");
}

TEST(CString, AssignmentAndConcatenationOfItsOwnText)
{
    CString text("abcdef");
    text = text.c_str() + 2;
    EXPECT_STREQ(text, "cdef");
    text += text.c_str();
    EXPECT_STREQ(text, "cdefcdef");
    const CString longText(std::string(300, 'q').c_str());
    EXPECT_EQ((longText + "!").GetLength(), 301);
    EXPECT_STREQ(CString("ab") + 'c', "abc");
    EXPECT_STREQ(CString("ab") + "cd", "abcd");
}

TEST(CString, FormatAndConversions)
{
    CString text;
    text.Format("%d-%s-%u-%c-%X-%.3g", -5, "x", 7u, 'z', 255, 3.14159);
    EXPECT_STREQ(text, "-5-x-7-z-FF-3.14");
    const std::string huge(40000, 'h');
    text.Format("%s", huge.c_str());
    EXPECT_EQ(text.GetLength(), 40000);
    const CString utf8(QString::fromUtf8("gr\xC3\xBC\xC3\x9F"));
    EXPECT_EQ(utf8.ToAnsiString(), QString::fromUtf8("gr\xC3\xBC\xC3\x9F"));
    EXPECT_STREQ(CString(QString()), "");
    EXPECT_EQ(CString("ABC").CompareNoCase("abc"), 0);
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
}

TEST(CMiniString, CopiesAndSelfAssigns)
{
    CMiniString text("hello");
    CMiniString copy(text);
    text = "other";
    EXPECT_STREQ(copy, "hello");
    copy = copy;
    EXPECT_STREQ(copy, "hello");
    copy = static_cast<const char *>(copy);
    EXPECT_STREQ(copy, "hello");
}
