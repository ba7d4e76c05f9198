#include <Source/engine/ImageSignature.h>

#include "ThumbTestSupport.h"

#include <lib/imaging/Bitmap.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A bitmap of width x height whose pixel (x, y), counted from the top, is
// pixel(x, y) in red, green, blue.
CBitmap bitmapOf(int width, int height, const std::function<Bytes(int x, int y)> &pixel)
{
    Bytes rgb;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Bytes value = pixel(x, y);
            rgb.insert(rgb.end(), value.begin(), value.end());
        }
    }
    return CBitmap(rgb.data(), CSize(width, height));
}

Bytes grey(int, int)
{
    return {120, 120, 120};
}

TEST(CImageSignature, RowsFromTheBitmapsGradients)
{
    struct Case
    {
        const char *name;
        int width, height;
        std::function<Bytes(int x, int y)> pixel;
        Bytes rows;
    };
    const Case cases[] = {
        {"uniform grey", 90, 60, grey, Bytes(6, 0x00)},
        {"brightening to the right", 90, 60, [](int x, int) { return Bytes(3, uint8_t(x * 255 / 89)); },
         Bytes(6, 0xFF)},
        {"portrait 60 x 80", 60, 80, grey, Bytes(12, 0x00)},
        {"landscape 80 x 8: 0 rows rounded up", 80, 8, grey, Bytes(1, 0x00)},
        {"one pixel, enlarged", 1, 1, grey, Bytes(9, 0x00)},
        // The top half brightens, the bottom half darkens: the first row is the top.
        {"top row first", 9, 4, [](int x, int y) { return Bytes(3, uint8_t(y < 2 ? x * 30 : 240 - x * 30)); },
         {0xFF, 0xFF, 0x00, 0x00}},
        // Red rises by 30 a pixel as blue falls by 30: brighter by 5.55 a
        // pixel in red, green, blue order, darker were the bytes taken the
        // wrong way round.
        {"red, green, blue order", 9, 9,
         [](int x, int) { return Bytes{uint8_t(x * 30), 0, uint8_t(255 - x * 30)}; }, Bytes(9, 0xFF)},
        // Bits from the most significant: only the first pair brightens.
        {"first pair is bit 7", 9, 9, [](int x, int) { return Bytes(3, uint8_t(x == 0 ? 0 : 200)); },
         Bytes(9, 0x80)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<CImageSignature> signature =
            CImageSignature::FromBitmap(bitmapOf(c.width, c.height, c.pixel));
        ASSERT_NE(signature, nullptr);
        EXPECT_EQ(signature->GetRowCount(), int32_t(c.rows.size()));
        EXPECT_EQ(signature->GetRows(), c.rows);
        EXPECT_EQ(signature->GetMemorySize(), int64_t(c.rows.size()) + 12);
    }
    EXPECT_EQ(CImageSignature::FromBitmap(CBitmap()), nullptr) << "no pixels, no signature";
}

TEST(CImageSignature, SimilarityOverTheRowsBothHave)
{
    const CImageSignature nine(Bytes(9, 0x5A));
    Bytes twelveRows(12, 0xA5);
    std::fill_n(twelveRows.begin(), 9, 0x5A);
    const CImageSignature twelve(twelveRows);
    Bytes oneBitOff(9, 0x5A);
    oneBitOff[4] ^= 0x10;
    const CImageSignature nearly(oneBitOff);
    const CImageSignature inverse(Bytes(9, 0xA5));
    const CImageSignature empty(Bytes{});

    struct Case
    {
        const char *name;
        const CImageSignature *a, *b;
        int tolerance;
        bool similar;
    };
    const Case cases[] = {
        {"itself at 0", &nine, &nine, 0, true},
        {"9 and 12 rows over the first 9", &nine, &twelve, 0, true},
        {"12 and 9 rows", &twelve, &nine, 0, true},
        {"1 bit of 72 is 1 percent: not at 0", &nine, &nearly, 0, false},
        {"1 bit of 72 at 1", &nine, &nearly, 1, true},
        {"every bit differs, at 99", &nine, &inverse, 99, false},
        {"every bit differs, at 100", &nine, &inverse, 100, true},
        {"no signature", &nine, nullptr, 100, false},
        {"no rows", &empty, &nine, 100, false},
        {"no rows either side", &empty, &empty, 100, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.a->IsSimilar(c.b, c.tolerance), c.similar) << c.name;
}

class RecordSignatureTest : public ThumbTest
{
protected:
    // A record of thumbnail size 80 x 60, loaded with jpeg.
    CThumbBitmap *loaded(const std::vector<uint8_t> &jpeg)
    {
        auto *record = new CThumbBitmap(CThumbBitmap::FromFile, writeJpegFile("Pics/a.jpg", 640, 480));
        EXPECT_TRUE(record->ClaimForLoading());
        record->EndLoading(TThumbState::Loaded, jpeg);
        return record;
    }
};

TEST_F(RecordSignatureTest, MadeOnceFromTheDecodedThumbnailAndKeptByItsHolders)
{
    CThumbBitmap *record = loaded(JpegBytes(80, 60));
    record->GetBitmap()->Release();
    const int64_t withoutSignature = record->GetMemorySize();
    const std::shared_ptr<const CImageSignature> signature = record->GetSignature();
    ASSERT_NE(signature, nullptr);
    EXPECT_EQ(signature->GetRowCount(), 6);
    EXPECT_EQ(signature->GetRows(), Bytes(6, 0x00)) << "a thumbnail of one colour";
    EXPECT_EQ(record->GetSignature(), signature) << "kept";
    EXPECT_EQ(record->GetMemorySize(), withoutSignature + 6 + 12);

    record->ReleaseData();
    EXPECT_EQ(record->GetSignature(), nullptr) << "pending";
    EXPECT_EQ(record->GetMemorySize(), 256);
    EXPECT_EQ(signature->GetRows(), Bytes(6, 0x00)) << "the holder's copy outlives the drop";
    record->Release();
}

TEST_F(RecordSignatureTest, TakesTheSizeOfTheBitmapNotTheRecord)
{
    // The thumbnail decodes to 80 x 20 in a record of 80 x 60: 2 rows, not 6
    // read past the bitmap.
    CThumbBitmap *record = loaded(JpegBytes(80, 20));
    const std::shared_ptr<const CImageSignature> signature = record->GetSignature();
    ASSERT_NE(signature, nullptr);
    EXPECT_EQ(signature->GetRowCount(), 2);
    record->Release();
}

TEST_F(RecordSignatureTest, NoneWithoutADecodableThumbnail)
{
    CThumbBitmap *garbage = loaded({0xFF, 0xD8, 0xFF, 0x00, 0x01});
    EXPECT_EQ(garbage->GetSignature(), nullptr);
    EXPECT_EQ(garbage->GetMemorySize(), 256 + 5);
    garbage->Release();

    auto *pending = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\b.jpg");
    EXPECT_EQ(pending->GetSignature(), nullptr);
    pending->Release();
}

} // namespace
