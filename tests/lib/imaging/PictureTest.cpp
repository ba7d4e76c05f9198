#include <lib/imaging/Picture.h>

#include "../../DriveMapLines.h"
#include "../../TestSupport.h"
#include "../AviTestSupport.h"
#include "CodecTestSupport.h"

#include <lib/ProgressContext.h>

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>

namespace {

CPath pathOf(const std::string &name)
{
    return CPath(TestWindowsPath(QString::fromStdString(name)).toUtf8().constData());
}

std::string hostOf(const std::string &name)
{
    return TestHostFolder() + "/" + name;
}

std::set<std::string> namesIn(const std::string &hostFolder)
{
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(hostFolder))
        names.insert(entry.path().filename().string());
    return names;
}

// Gives the picture a copy of image as its buffer.
void fill(CPicture &picture, const RgbImage &image)
{
    auto *rgb = new unsigned char[image.rgb.size()];
    std::copy(image.rgb.begin(), image.rgb.end(), rgb);
    picture.SetBuffer(rgb);
    picture.width = image.width;
    picture.height = image.height;
}

Bytes pixelsOf(const CPicture &picture)
{
    if (!picture.buffer)
        return {};
    return Bytes(picture.buffer, picture.buffer + uint64_t(picture.width) * picture.height * 3);
}

// The bytes of a small picture saved by the kind of the filter index.
QByteArray savedBytes(int filterIndex)
{
    TProgressContext progress;
    std::unique_ptr<CPicture> picture(CPicture::New(filterIndex));
    fill(*picture, GradientImage(12, 8));
    const std::string name = "fixture" + std::string(CPicture::ExtFromFilterIndex(filterIndex).c_str());
    EXPECT_TRUE(picture->SaveToFile(pathOf(name), progress));
    const QByteArray bytes = ReadHostFile(hostOf(name));
    std::filesystem::remove(hostOf(name));
    return bytes;
}

// The classic one-pixel GIF: a red pixel, two colours in the global table.
const QByteArray RedPixelGif = QByteArray("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00"
                                          ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                                          35);
const QByteArray TiffHeader = QByteArray("II\x2A\x00\x08\x00\x00\x00\x00\x00\x00\x00", 12);
const QByteArray PlaceableWmfHeader = QByteArray("\xD7\xCD\xC6\x9A", 4) + QByteArray(40, '\0');

void enableGifTiff()
{
    WriteHostFile(TestHostFolder() + "/Program/" + GifTiffEnablingFileName, "");
}

} // namespace

TEST(CPicture, GuessPictureTypeTakesContentFirstThenExtension)
{
    struct Case
    {
        const char *name;
        QByteArray bytes;
        int type;
    };
    const QByteArray jpeg = savedBytes(2);
    const QByteArray targa = savedBytes(4);
    const Case cases[] = {
        {"photo.bmp", jpeg, ptJPG},
        {"photo.png", savedBytes(1), ptBMP},
        {"picture.png", savedBytes(3), ptPNG},
        {"picture.pcx", savedBytes(5), ptPCX},
        {"drawing.emf", savedBytes(6), ptEMF},
        {"drawing.wmf", PlaceableWmfHeader, ptWMF},
        {"anim.gif", RedPixelGif, ptGIF},
        {"scan.tif", TiffHeader, ptTIF},
        {"targa.tga", targa, ptTGA},
        {"targa.TGA", targa, ptTGA},
        {"targa.bin", targa, ptUnknown},
        {"targa.bmp", targa, ptUnknown},
        {"movie.avi", "RIFF", ptAVI},
        {"movie.AVI", "anything", ptAVI},
        {"text.jpg", "not a picture", ptJPG},
        {"text.JPEG", "not a picture", ptJPG},
        {"text.txt", "not a picture", ptUnknown},
        {"empty", "", ptUnknown},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WriteHostFile(hostOf(c.name), c.bytes);
        EXPECT_EQ(CPicture::GuessPictureType(pathOf(c.name)), c.type);
        std::filesystem::remove(hostOf(c.name));
    }
    // A missing file has only its extension to go by.
    EXPECT_EQ(CPicture::GuessPictureType(pathOf("gone.tga")), ptTGA);
    EXPECT_EQ(CPicture::GuessPictureType(pathOf("gone.png")), ptUnknown);
}

TEST(CPicture, NewMakesTheKindOfTheGuess)
{
    struct Case
    {
        const char *name;
        QByteArray bytes;
        const std::type_info *kind;   // null: no picture
    };
    const Case cases[] = {
        {"photo.bmp", savedBytes(2), &typeid(CPictureJPG)},
        {"photo.jpg", savedBytes(1), &typeid(CPictureBMP)},
        {"picture.png", savedBytes(3), &typeid(CPicturePNG)},
        {"picture.pcx", savedBytes(5), &typeid(CPicturePCX)},
        {"targa.tga", savedBytes(4), &typeid(CPictureTGA)},
        {"drawing.emf", savedBytes(6), &typeid(CPictureEMF)},
        {"anim.gif", RedPixelGif, &typeid(CPictureGIF)},
        {"scan.tif", TiffHeader, &typeid(CPictureTIF)},
        {"movie.avi", "RIFF", &typeid(CPictureAVI)},
        {"drawing.wmf", PlaceableWmfHeader, nullptr},
        {"text.txt", "not a picture", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WriteHostFile(hostOf(c.name), c.bytes);
        std::unique_ptr<CPicture> picture(CPicture::New(pathOf(c.name)));
        if (!c.kind) {
            EXPECT_EQ(picture, nullptr);
            continue;
        }
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(typeid(*picture), *c.kind);
    }
}

TEST(CPicture, CanLoadOffersGifAndTiffOnlyWithTheEnablingFile)
{
    struct Case
    {
        const char *name;
        QByteArray bytes;
        bool withoutEnabling;
        bool withEnabling;
    };
    const Case cases[] = {
        {"anim.gif", RedPixelGif, false, true},
        {"scan.tif", TiffHeader, false, true},
        {"picture.png", savedBytes(3), true, true},
        {"drawing.wmf", PlaceableWmfHeader, true, true},
        {"movie.avi", "RIFF", true, true},
        {"text.txt", "not a picture", false, false},
    };
    for (const Case &c : cases)
        WriteHostFile(hostOf(c.name), c.bytes);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CPicture::CanLoad(pathOf(c.name)), c.withoutEnabling);
    }
    enableGifTiff();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CPicture::CanLoad(pathOf(c.name)), c.withEnabling);
    }
}

TEST(CPicture, FilterIndexesAndExtensions)
{
    const std::pair<const char *, int> fromExt[] = {
        {".bmp", 1}, {".BMP", 1}, {".jpg", 2}, {".jpeg", 2}, {".JPEG", 2}, {".jif", 2}, {".png", 3},
        {".tga", 4}, {".pcx", 5}, {".Pcx", 5}, {".emf", 6}, {".gif", 7}, {".tif", 7}, {".wmf", 7},
        {"bmp", 7},  {"", 7},     {".bmpx", 7},
    };
    for (const auto &[ext, index] : fromExt) {
        SCOPED_TRACE(ext);
        EXPECT_EQ(CPicture::FilterIndexFromExt(ext), index);
    }
    const std::pair<int, const char *> toExt[] = {
        {-1, ""}, {0, ""}, {1, ".bmp"}, {2, ".jpg"}, {3, ".png"}, {4, ".tga"}, {5, ".pcx"}, {6, ".emf"}, {7, ""}, {8, ""},
    };
    for (const auto &[index, ext] : toExt) {
        SCOPED_TRACE(index);
        EXPECT_STREQ(CPicture::ExtFromFilterIndex(index).c_str(), ext);
        EXPECT_EQ(CPicture::FilterIndexFromExt(CPicture::ExtFromFilterIndex(index)), *ext ? index : 7);
    }
}

TEST(CPicture, NewFromFilterIndexMakesTheSaveFormats)
{
    const std::pair<int, const std::type_info *> cases[] = {
        {0, nullptr},
        {1, &typeid(CPictureBMP)},
        {2, &typeid(CPictureJPG)},
        {3, &typeid(CPicturePNG)},
        {4, &typeid(CPictureTGA)},
        {5, &typeid(CPicturePCX)},
        {6, &typeid(CPictureEMF)},
        {7, nullptr},
    };
    for (const auto &[index, kind] : cases) {
        SCOPED_TRACE(index);
        std::unique_ptr<CPicture> picture(CPicture::New(index));
        if (!kind) {
            EXPECT_EQ(picture, nullptr);
            continue;
        }
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(typeid(*picture), *kind);
        EXPECT_TRUE(picture->canSave());
    }
}

TEST(CPicture, FilterText)
{
    const std::string formats = "Windows Bitmap (*.bmp)|*.bmp|JPEG - JFIF compliant (*.jpg)|*.jpg|"
                                "Portable Network Graphics (*.png)|*.png|Targa (*.tga)|*.tga|PCX (*.pcx)|*.pcx|"
                                "Enhanced Windows Meta File (*.emf)|*.emf|";
    EXPECT_EQ(std::string(CPicture::Filter(true).c_str()), formats + "|");
    EXPECT_EQ(std::string(CPicture::Filter(false).c_str()), formats + "All Files (*.*)|*.*||");
}

TEST(CPicture, EachWritableKindSavesAndLoadsBack)
{
    struct Case
    {
        int filterIndex;
        int type;
        bool lossless;
        uint32_t bits;
    };
    const Case cases[] = {
        {1, ptBMP, true, 24},
        {2, ptJPG, false, 24},
        {3, ptPNG, true, 24},
        {4, ptTGA, true, 24},
        {5, ptPCX, true, 24},
    };
    TProgressContext progress;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.filterIndex);
        const RgbImage image = c.lossless ? NoiseImage(37, 21) : GradientImage(37, 21);
        const CPath path = pathOf("saved" + std::string(CPicture::ExtFromFilterIndex(c.filterIndex).c_str()));
        std::unique_ptr<CPicture> saved(CPicture::New(c.filterIndex));
        fill(*saved, image);
        ASSERT_TRUE(saved->SaveToFile(path, progress));
        EXPECT_EQ(CPicture::GuessPictureType(path), c.type);

        std::unique_ptr<CPicture> measured(CPicture::New(path));
        ASSERT_NE(measured, nullptr);
        ASSERT_TRUE(measured->GetDimensions(path));
        EXPECT_EQ(measured->width, image.width);
        EXPECT_EQ(measured->height, image.height);
        EXPECT_EQ(measured->buffer, nullptr);

        std::unique_ptr<CPicture> loaded(CPicture::New(path));
        ASSERT_TRUE(loaded->LoadFromFile(path, progress));
        ASSERT_EQ(loaded->width, image.width);
        ASSERT_EQ(loaded->height, image.height);
        EXPECT_EQ(loaded->bits, c.bits);
        if (c.lossless)
            EXPECT_EQ(pixelsOf(*loaded), image.rgb);
        else
            EXPECT_LT(MeanError(pixelsOf(*loaded), image.rgb), 4.0);
    }
}

TEST(CPicture, MetafileSavesAndRendersBack)
{
    TProgressContext progress;
    CPictureEMF saved;
    RgbImage red{64, 32, Bytes(64 * 32 * 3, 0)};
    for (size_t i = 0; i < red.rgb.size(); i += 3)
        red.rgb[i] = 255;
    fill(saved, red);
    const CPath path = pathOf("drawing.emf");
    ASSERT_TRUE(saved.SaveToFile(path, progress));

    std::unique_ptr<CPicture> loaded(CPicture::New(path));
    ASSERT_NE(loaded, nullptr);
    ASSERT_TRUE(loaded->LoadFromFile(path, progress));
    // Rendered into the 256-pixel box, keeping its shape.
    EXPECT_EQ(loaded->width, 256u);
    EXPECT_EQ(loaded->height, 128u);
    EXPECT_EQ(loaded->GetPixel(128, 64), 0x0000FFu);

    CPictureEMF measured;
    ASSERT_TRUE(measured.GetDimensions(path));
    EXPECT_EQ(measured.width, 256u);
    EXPECT_EQ(measured.height, 128u);
}

TEST(CPicture, GifLoadsOnlyWithTheEnablingFile)
{
    TProgressContext progress;
    const CPath path = pathOf("anim.gif");
    WriteHostFile(hostOf("anim.gif"), RedPixelGif);
    CPictureGIF refused;
    EXPECT_TRUE(refused.FileIsBad(path));
    EXPECT_FALSE(refused.LoadFromFile(path, progress));
    EXPECT_EQ(refused.buffer, nullptr);

    enableGifTiff();
    CPictureGIF picture;
    EXPECT_FALSE(picture.FileIsBad(path));
    ASSERT_TRUE(picture.LoadFromFile(path, progress));
    EXPECT_EQ(picture.width, 1u);
    EXPECT_EQ(picture.height, 1u);
    EXPECT_EQ(picture.GetPixel(0, 0), 0x0000FFu);
}

TEST(CPicture, AviGivesItsFirstFrame)
{
    TProgressContext progress;
    WritePatternMovie("movie.avi", 20, 10, 3);
    const CPath path = pathOf("movie.avi");
    std::unique_ptr<CPicture> picture(CPicture::New(path));
    ASSERT_NE(picture, nullptr);
    ASSERT_TRUE(picture->GetDimensions(path));
    EXPECT_EQ(picture->width, 20u);
    EXPECT_EQ(picture->height, 10u);
    EXPECT_EQ(picture->bits, 24u);
    ASSERT_TRUE(picture->LoadFromFile(path, progress));
    EXPECT_EQ(pixelsOf(*picture), PatternRgb(20, 10, 0));
}

TEST(CPicture, MissingOrUndecodableFilesLoadNothing)
{
    TProgressContext progress;
    enableGifTiff();
    WriteHostFile(hostOf("junk"), "not a picture at all");
    std::vector<std::unique_ptr<CPicture>> kinds;
    for (int index = 1; index <= 6; ++index)
        kinds.emplace_back(CPicture::New(index));
    kinds.emplace_back(new CPictureGIF);
    kinds.emplace_back(new CPictureTIF);
    kinds.emplace_back(new CPictureAVI);
    for (const auto &picture : kinds) {
        SCOPED_TRACE(typeid(*picture).name());
        EXPECT_TRUE(picture->FileIsBad(pathOf("missing")));
        EXPECT_FALSE(picture->LoadFromFile(pathOf("missing"), progress));
        EXPECT_FALSE(picture->GetDimensions(pathOf("missing")));
        EXPECT_FALSE(picture->GetDimensions(pathOf("junk")));
        EXPECT_FALSE(picture->LoadFromFile(pathOf("junk"), progress));
        EXPECT_EQ(picture->buffer, nullptr);
    }
}

TEST(CPicture, SaveOfAKindWithoutAWriterLeavesTheOldFile)
{
    TProgressContext progress;
    const std::unique_ptr<CPicture> kinds[] = {
        std::make_unique<CPictureGIF>(),
        std::make_unique<CPictureTIF>(),
        std::make_unique<CPictureAVI>(),
    };
    for (const auto &picture : kinds) {
        SCOPED_TRACE(typeid(*picture).name());
        fill(*picture, GradientImage(4, 4));
        WriteHostFile(hostOf("old"), "old contents");
        const std::set<std::string> before = namesIn(TestHostFolder());
        EXPECT_FALSE(picture->canSave());
        EXPECT_FALSE(picture->SaveToFile(pathOf("old"), progress));
        EXPECT_EQ(ReadHostFile(hostOf("old")), "old contents");
        EXPECT_EQ(namesIn(TestHostFolder()), before);
    }
}

TEST(CPicture, FailedWriterLeavesTheOldFileAndNoTemporaryFile)
{
    TProgressContext progress;
    // Wider than each format can record.
    const RgbImage tooWide = GradientImage(70000, 1);
    for (int index : {2, 4, 5}) {
        SCOPED_TRACE(index);
        std::unique_ptr<CPicture> picture(CPicture::New(index));
        fill(*picture, tooWide);
        WriteHostFile(hostOf("old"), "old contents");
        const std::set<std::string> before = namesIn(TestHostFolder());
        EXPECT_FALSE(picture->SaveToFile(pathOf("old"), progress));
        EXPECT_EQ(ReadHostFile(hostOf("old")), "old contents");
        EXPECT_EQ(namesIn(TestHostFolder()), before);
    }
}

TEST(CPicture, SaveOverAFolderFails)
{
    TProgressContext progress;
    std::filesystem::create_directory(hostOf("taken.png"));
    const std::set<std::string> before = namesIn(TestHostFolder());
    CPicturePNG picture;
    fill(picture, GradientImage(4, 4));
    EXPECT_FALSE(picture.SaveToFile(pathOf("taken.png"), progress));
    EXPECT_TRUE(std::filesystem::is_directory(hostOf("taken.png")));
    EXPECT_EQ(namesIn(TestHostFolder()), before);
}

TEST(CPicture, SaveOnAReadOnlyDriveFails)
{
    TProgressContext progress;
    const std::string disc = hostOf("disc");
    std::filesystem::create_directory(disc);
    WriteHostFile(disc + "/photo.bmp", "old contents");
    WriteDriveMap(DriveMapLine("E:", disc, "cdrom,readonly", "1234-5678", "DISC"));
    CPictureBMP picture;
    fill(picture, GradientImage(4, 4));
    EXPECT_FALSE(picture.SaveToFile(CPath("E:\\photo.bmp"), progress));
    EXPECT_EQ(ReadHostFile(disc + "/photo.bmp"), "old contents");
    EXPECT_EQ(namesIn(disc), std::set<std::string>{"photo.bmp"});
}

TEST(CPicture, SaveWithoutABufferTouchesNothing)
{
    TProgressContext progress;
    WriteHostFile(hostOf("old.png"), "old contents");
    CPicturePNG picture;
    EXPECT_FALSE(picture.SaveToFile(pathOf("old.png"), progress));
    EXPECT_EQ(ReadHostFile(hostOf("old.png")), "old contents");
}

TEST(CPicture, SaveReplacesAnOldFile)
{
    TProgressContext progress;
    WriteHostFile(hostOf("old.bmp"), "old contents");
    const std::set<std::string> before = namesIn(TestHostFolder());
    CPictureBMP picture;
    fill(picture, NoiseImage(5, 3));
    ASSERT_TRUE(picture.SaveToFile(pathOf("old.bmp"), progress));
    EXPECT_EQ(namesIn(TestHostFolder()), before);
    CPictureBMP loaded;
    ASSERT_TRUE(loaded.LoadFromFile(pathOf("old.bmp"), progress));
    EXPECT_EQ(pixelsOf(loaded), NoiseImage(5, 3).rgb);
}

TEST(CPicture, SavesUnderTheLongestNames)
{
    TProgressContext progress;
    // 80 CJK characters of 3 bytes each and an extension: 244 bytes.
    const std::string name = QString(80, QChar(0x5199)).toStdString() + ".jpg";
    WriteHostFile(hostOf(name), "old contents");
    const std::set<std::string> before = namesIn(TestHostFolder());
    CPictureJPG picture;
    fill(picture, GradientImage(6, 4));
    ASSERT_TRUE(picture.SaveToFile(pathOf(name), progress));
    EXPECT_EQ(namesIn(TestHostFolder()), before);
    CPictureJPG loaded;
    ASSERT_TRUE(loaded.LoadFromFile(pathOf(name), progress));
    EXPECT_EQ(loaded.width, 6u);
    EXPECT_EQ(loaded.height, 4u);
}

namespace {

// A file rewritten to a larger picture between the decode and the query for
// its bits: the query reports a size the buffer was not made for.
class GrowingBMP : public CPictureBMP
{
public:
    bool GetDimensions(HIMGSRC source) override
    {
        const bool answer = CPictureBMP::GetDimensions(source);
        width *= 4;
        height *= 4;
        bits = 8;
        return answer;
    }
    using CPicture::GetDimensions;
};

} // namespace

TEST(CPicture, QueryAfterLoadingKeepsTheDecodedSize)
{
    TProgressContext progress;
    CPictureBMP saved;
    fill(saved, NoiseImage(6, 5));
    ASSERT_TRUE(saved.SaveToFile(pathOf("p.bmp"), progress));
    GrowingBMP picture;
    ASSERT_TRUE(picture.LoadFromFile(pathOf("p.bmp"), progress));
    EXPECT_EQ(picture.width, 6u);
    EXPECT_EQ(picture.height, 5u);
    EXPECT_EQ(picture.bits, 8u);
    EXPECT_EQ(pixelsOf(picture), NoiseImage(6, 5).rgb);
}

TEST(CPicture, GetPixelOutsideThePictureIsZero)
{
    CPictureBMP picture;
    RgbImage image{3, 2, Bytes(3 * 2 * 3)};
    for (size_t i = 0; i < image.rgb.size(); ++i)
        image.rgb[i] = uint8_t(i + 1);
    fill(picture, image);
    const struct
    {
        unsigned x, y;
        COLORREF colour;
    } cases[] = {
        {0, 0, 0x030201}, {2, 1, 0x121110}, {1, 1, 0x0F0E0D}, {3, 0, 0}, {0, 2, 0}, {3, 2, 0}, {UINT_MAX, 0, 0},
        {0, UINT_MAX, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(picture.GetPixel(c.x, c.y), c.colour);
    }
    CPictureBMP empty;
    EXPECT_EQ(empty.GetPixel(0, 0), 0u);
}

TEST(CPicture, GetAverageColour)
{
    CPictureBMP empty;
    EXPECT_EQ(empty.GetAverageColour(), 0u);

    CPictureBMP two;
    fill(two, RgbImage{2, 1, Bytes{10, 20, 31, 11, 21, 40}});
    EXPECT_EQ(two.GetAverageColour(), COLORREF(10 | 20 << 8 | 35 << 16));

    // Enough white pixels that a 32-bit sum would overflow.
    CPictureBMP white;
    fill(white, RgbImage{4200, 4200, Bytes(size_t(4200) * 4200 * 3, 255)});
    EXPECT_EQ(white.GetAverageColour(), 0xFFFFFFu);
}

TEST(CPicture, ReducedLoadDecodesJpegSmallerAndAnswersTheImagesSize)
{
    TProgressContext progress;
    struct Case
    {
        const char *name;
        int filterIndex;          // the kind that writes the file; 0 for no file
        uint32_t width, height;   // the buffer's
        uint32_t fullWidth, fullHeight;
    };
    const Case cases[] = {
        // 80 x 60 wanted: 2/8 is the smallest scale at least twice that.
        {"reduced.jpg", 2, 160, 120, 640, 480},
        {"whole.png", 3, 640, 480, 640, 480},
        {"missing.jpg", 0, 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.filterIndex != 0) {
            std::unique_ptr<CPicture> saved(CPicture::New(c.filterIndex));
            fill(*saved, GradientImage(640, 480));
            ASSERT_TRUE(saved->SaveToFile(pathOf(c.name), progress));
        }
        std::unique_ptr<CPicture> picture(c.filterIndex != 0 ? CPicture::New(pathOf(c.name)) : new CPictureJPG);
        uint32_t askedWidth = 0, askedHeight = 0;
        const bool loaded = picture->LoadReducedFromFile(pathOf(c.name), [&](uint32_t width, uint32_t height) {
            askedWidth = width;
            askedHeight = height;
            return CSize(80, 60);
        }, progress);
        EXPECT_EQ(loaded, c.filterIndex != 0);
        EXPECT_EQ(picture->fullWidth, c.fullWidth);
        EXPECT_EQ(picture->fullHeight, c.fullHeight);
        if (!loaded)
            continue;
        EXPECT_EQ(picture->width, c.width);
        EXPECT_EQ(picture->height, c.height);
        EXPECT_EQ(picture->bits, 24u);
        if (c.filterIndex == 2) {
            EXPECT_EQ(askedWidth, 640u) << "asked with the image's own size";
            EXPECT_EQ(askedHeight, 480u);
        }
    }
}
