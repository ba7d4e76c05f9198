#include "CodecTestSupport.h"

#include "../../TestSupport.h"

#include <lib/imaging/ImgLib.h>

#include <gtest/gtest.h>

#include <QByteArray>

#include <cstring>
#include <string>

#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>

namespace {

uint32_t guessOf(const Bytes &bytes)
{
    HIMGSRC source = OpenBytes(bytes);
    const uint32_t guess = ImgGuessFileType(source);
    ImgCloseSource(source);
    return guess;
}

Bytes bytesOf(std::initializer_list<int> values, size_t padTo = 0)
{
    Bytes bytes;
    for (int value : values)
        bytes.push_back(uint8_t(value));
    if (bytes.size() < padTo)
        bytes.resize(padTo, 0);
    return bytes;
}

Bytes textOf(const char *text)
{
    return Bytes(text, text + std::strlen(text));
}

int appendToBytes(GifFileType *gif, const GifByteType *data, int count)
{
    auto *bytes = static_cast<Bytes *>(gif->UserData);
    bytes->insert(bytes->end(), data, data + count);
    return count;
}

Bytes smallGif()
{
    Bytes bytes;
    int error = 0;
    GifFileType *gif = EGifOpen(&bytes, appendToBytes, &error);
    GifColorType colours[2] = {{0, 0, 0}, {255, 255, 255}};
    ColorMapObject *map = GifMakeMapObject(2, colours);
    EGifPutScreenDesc(gif, 2, 2, 1, 0, map);
    EGifPutImageDesc(gif, 0, 0, 2, 2, false, nullptr);
    GifPixelType line[2] = {0, 1};
    EGifPutLine(gif, line, 2);
    EGifPutLine(gif, line, 2);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return bytes;
}

Bytes smallTiff()
{
    const std::string path = TestHostFolder() + "/guess.tif";
    TIFF *tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 2u);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 2u);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    uint8_t row[2] = {0, 255};
    TIFFWriteScanline(tiff, row, 0, 0);
    TIFFWriteScanline(tiff, row, 1, 0);
    TIFFClose(tiff);
    const QByteArray bytes = ReadHostFile(path);
    return Bytes(bytes.begin(), bytes.end());
}

} // namespace

TEST(ImagingServices, GuessesEachFormatFromItsContent)
{
    const RgbImage image = GradientImage(8, 8);
    struct Case
    {
        const char *name;
        Bytes bytes;
        uint32_t guess;
    };
    const Case cases[] = {
        {"BMP with a 40-byte header", bytesOf({'B', 'M', 0x46, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 40, 0, 0, 0}, 70), ImgTypeBMP},
        {"BMP with a core header", bytesOf({'B', 'M', 0x20, 0, 0, 0, 0, 0, 0, 0, 0x1A, 0, 0, 0, 12, 0, 0, 0}, 32), ImgTypeBMP},
        {"GIF", smallGif(), ImgTypeGIF},
        {"GIF87a", bytesOf({'G', 'I', 'F', '8', '7', 'a', 2, 0, 2, 0}, 20), ImgTypeGIF},
        {"JPEG", Encode([](HIMGDEST d, const uint8_t *rgb, uint32_t w, uint32_t h) {
                     return ImgWriteRGBToJPG(d, rgb, w, h, 90, 0);
                 }, image), ImgTypeJPG},
        {"PNG", Encode([](HIMGDEST d, const uint8_t *rgb, uint32_t w, uint32_t h) {
                    return ImgWriteRGBToPNG(d, rgb, w, h, 0, 0);
                }, image), ImgTypePNG},
        {"PCX", bytesOf({0x0A, 5, 1, 8, 0, 0, 0, 0, 7, 0, 7, 0}, 128), ImgTypePCX},
        {"PCX version 0, 1 bit", bytesOf({0x0A, 0, 0, 1}, 128), ImgTypePCX},
        {"TIFF", smallTiff(), ImgTypeTIFF},
        {"TIFF big-endian", bytesOf({'M', 'M', 0, 42, 0, 0, 0, 8}, 16), ImgTypeTIFF},
        {"BigTIFF", bytesOf({'I', 'I', 43, 0, 8, 0, 0, 0}, 16), ImgTypeTIFF},
        {"WMF placeable", bytesOf({0xD7, 0xCD, 0xC6, 0x9A}, 40), ImgTypeWMF},
        {"WMF plain", bytesOf({1, 0, 9, 0, 0, 3, 0x20, 0, 0, 0}, 40), ImgTypeWMF},
        {"WMF on disk, version 1", bytesOf({2, 0, 9, 0, 0, 1}, 40), ImgTypeWMF},
        {"EMF", Encode(ImgWriteRGBToEMF, image), ImgTypeEMF},
        {"Targa has no signature", bytesOf({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 8, 0, 24, 0x20}, 60), ImgTypeUnknown},
        {"empty", Bytes{}, ImgTypeUnknown},
        {"text starting BM", textOf("BMW 3 series brochure, scanned pages follow"), ImgTypeUnknown},
        {"only BM", textOf("BM"), ImgTypeUnknown},
        {"GIF cut short", textOf("GIF8"), ImgTypeUnknown},
        {"JPEG start without a marker", bytesOf({0xFF, 0xD8, 0x00, 0x10}), ImgTypeUnknown},
        {"PNG cut short", bytesOf({0x89, 'P', 'N', 'G'}), ImgTypeUnknown},
        {"PCX with a wrong depth", bytesOf({0x0A, 5, 1, 3}, 128), ImgTypeUnknown},
        {"EMF record without signature", bytesOf({1, 0, 0, 0, 108, 0, 0, 0}, 108), ImgTypeUnknown},
        {"zeros", Bytes(64, 0), ImgTypeUnknown},
        {"plain text", textOf("Hello, this is not a picture at all, only words."), ImgTypeUnknown},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(guessOf(c.bytes), c.guess);
    }
}

TEST(ImagingServices, GuessTrustsContentOverTheFileName)
{
    const Bytes jpeg = Encode([](HIMGDEST d, const uint8_t *rgb, uint32_t w, uint32_t h) {
        return ImgWriteRGBToJPG(d, rgb, w, h, 90, 0);
    }, GradientImage(8, 8));
    WriteHostFile(TestHostFolder() + "/photo.bmp",
                  QByteArray(reinterpret_cast<const char *>(jpeg.data()), qsizetype(jpeg.size())));
    HIMGSRC source = ImgOpenFileSource(TestWindowsPath("photo.bmp").toUtf8().constData());
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(ImgGuessFileType(source), uint32_t(ImgTypeJPG));
    ImgCloseSource(source);
}

TEST(ImagingServices, GuessReadsFromTheStartAndRewinds)
{
    const RgbImage image = GradientImage(8, 8);
    const Bytes png = Encode([](HIMGDEST d, const uint8_t *rgb, uint32_t w, uint32_t h) {
        return ImgWriteRGBToPNG(d, rgb, w, h, 0, 0);
    }, image);
    HIMGSRC source = OpenBytes(png);
    ASSERT_TRUE(ImgSeek(source, 20, 0));
    EXPECT_EQ(ImgGuessFileType(source), uint32_t(ImgTypePNG));
    uint32_t width = 0, height = 0;
    HGLOBAL block = ImgReadPNGToRGB(source, &width, &height);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(width, 8u);
    GlobalFree(block);
    ImgCloseSource(source);
    EXPECT_EQ(ImgGuessFileType(nullptr), uint32_t(ImgTypeUnknown));
}

TEST(ImagingServices, VersionNamesTheCodecLibrariesAsLoaded)
{
    ImgInitialize(0);
    std::string version;
    ImgGetVersion(&version);
    EXPECT_NE(version.find("libjpeg-turbo 2."), std::string::npos) << version;
    EXPECT_NE(version.find(std::string("libpng ") + png_get_libpng_ver(nullptr)), std::string::npos) << version;
    const std::string tiff = TIFFGetVersion();
    EXPECT_NE(version.find(tiff.substr(0, tiff.find('\n'))), std::string::npos) << version;
    EXPECT_NE(version.find("giflib 5."), std::string::npos) << version;
    EXPECT_EQ(version.find('\n'), std::string::npos) << version;
    ImgGetVersion(nullptr);
}
