#include <platform/Clipboard.h>

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

TEST(Clipboard, RegistersEachNameOnce)
{
    const UINT first = RegisterClipboardFormatA("Test format one");
    EXPECT_GE(first, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormatA("Test format one"), first);
    EXPECT_EQ(RegisterClipboardFormatA("TEST FORMAT ONE"), first) << "names match without case";
    const UINT second = RegisterClipboardFormatA("Test format two");
    EXPECT_NE(second, first);
    EXPECT_GE(second, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormatA(""), 0u);
    EXPECT_EQ(RegisterClipboardFormatA(nullptr), 0u);
}

TEST(Clipboard, KeepsDataUnderItsFormatOnly)
{
    const UINT format = RegisterClipboardFormatA("Test data");
    const UINT other = RegisterClipboardFormatA("Test other data");
    const QByteArray bytes("line\r\n\0tail", 11);
    ASSERT_TRUE(SetClipboardData(format, bytes));
    EXPECT_TRUE(IsClipboardFormatAvailable(format));
    EXPECT_FALSE(IsClipboardFormatAvailable(other));
    QByteArray read = "unchanged";
    EXPECT_FALSE(GetClipboardData(other, read));
    EXPECT_EQ(read, "unchanged");
    ASSERT_TRUE(GetClipboardData(format, read));
    EXPECT_EQ(read, bytes);

    EXPECT_TRUE(EmptyClipboard());
    EXPECT_FALSE(IsClipboardFormatAvailable(format));
}

TEST(Clipboard, RefusesFormatsThatWereNeverRegistered)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    EXPECT_FALSE(SetClipboardData(0xBFFF, "x"));
    EXPECT_FALSE(SetClipboardData(0xFFFF, "x"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    EXPECT_FALSE(IsClipboardFormatAvailable(0));
}

TEST(Clipboard, AnotherProgramsTextIsNoData)
{
    const UINT format = RegisterClipboardFormatA("Test data");
    QGuiApplication::clipboard()->setText(QStringLiteral("ZILO C\r\nC:\\a.jpg\r\n"));
    EXPECT_FALSE(IsClipboardFormatAvailable(format));
    QByteArray read;
    EXPECT_FALSE(GetClipboardData(format, read));
}
