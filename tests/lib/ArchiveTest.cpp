#include <lib/Archive.h>

#include <platform/Exception.h>
#include <platform/Stream.h>

#include <gtest/gtest.h>

#include <string>

static QByteArray written(const char *text)
{
    TMemoryStream stream;
    CArchive archive(&stream, ArWrite);
    archive << text;
    return QByteArray(static_cast<const char *>(stream.Memory()), qsizetype(stream.Size()));
}

static CString readBack(const QByteArray &bytes)
{
    TMemoryStream stream;
    stream.Write(bytes.constData(), int32_t(bytes.size()));
    stream.SetPosition(0);
    CArchive archive(&stream, ArRead);
    CString text("unchanged");
    archive >> text;
    return text;
}

TEST(CArchive, StringEncodings)
{
    const std::string s254(254, 'a'), s255(255, 'b'), s300(300, 'c');
    const struct { std::string text; QByteArray prefix; } cases[] = {
        {"abc", QByteArray("\x03", 1)},
        {"", QByteArray("\x00", 1)},
        {s254, QByteArray("\xFE", 1)},
        {s255, QByteArray("\xFF\xFF\x00\x00\x00", 5)},
        {s300, QByteArray("\xFF\x2C\x01\x00\x00", 5)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.size());
        const QByteArray bytes = written(c.text.c_str());
        EXPECT_EQ(bytes, c.prefix + QByteArray::fromStdString(c.text));
        EXPECT_STREQ(readBack(bytes), c.text.c_str());
    }
}

TEST(CArchive, NumbersAreRawLittleEndian)
{
    TMemoryStream stream;
    CArchive archive(&stream, ArWrite);
    archive.writeValue(uint32_t(0x01020304));
    archive.writeValue(int16_t(-2));
    EXPECT_EQ(QByteArray(static_cast<const char *>(stream.Memory()), 6), QByteArray("\x04\x03\x02\x01\xFE\xFF", 6));
    stream.SetPosition(0);
    EXPECT_EQ(archive.readValue<uint32_t>(), 0x01020304u);
    EXPECT_EQ(archive.readValue<int16_t>(), -2);
    EXPECT_THROW(archive.readValue<uint8_t>(), Exception);
}

TEST(CArchive, HostileLengthsFailBeforeAllocating)
{
    const struct { const char *name; QByteArray bytes; } cases[] = {
        {"length 10, 4 bytes left", QByteArray("\x0A" "abcd")},
        {"long mark at the end", QByteArray("\xFF", 1)},
        {"long mark, short length", QByteArray("\xFF\x01\x00", 3)},
        {"length 0xFFFFFFFF", QByteArray("\xFF\xFF\xFF\xFF\xFF" "abc", 8)},
        {"length 0x80000000", QByteArray("\xFF\x00\x00\x00\x80", 5)},
        {"empty stream", QByteArray()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        try {
            readBack(c.bytes);
            ADD_FAILURE() << "no exception";
        } catch (const Exception &error) {
            EXPECT_EQ(error.Message(), "Read failed");
        }
    }
}

TEST(CArchive, EveryTruncationOfARecordFails)
{
    TMemoryStream stream;
    CArchive writer(&stream, ArWrite);
    writer << std::string(300, 'x').c_str();
    writer << "name.jpg";
    writer.writeValue(uint32_t(42));
    const QByteArray good(static_cast<const char *>(stream.Memory()), qsizetype(stream.Size()));
    for (qsizetype length = 0; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        TMemoryStream cut;
        cut.Write(good.constData(), int32_t(length));
        cut.SetPosition(0);
        CArchive reader(&cut, ArRead);
        const auto readRecord = [&reader] {
            CString a;
            CString b;
            reader >> a >> b;
            reader.readValue<uint32_t>();
        };
        EXPECT_THROW(readRecord(), Exception);
    }
}

TEST(CArchive, ShortWriteRaises)
{
    // A stream that takes no bytes, as on a full disk.
    class ReadOnlyStream : public TMemoryStream
    {
    public:
        int32_t Write(const void *, int32_t) override { return 0; }
    } stream;
    CArchive archive(&stream, ArWrite);
    try {
        archive << "abc";
        ADD_FAILURE() << "no exception";
    } catch (const Exception &error) {
        EXPECT_EQ(error.Message(), "Write failed");
    }
}
