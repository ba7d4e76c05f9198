#include <lib/imaging/ImgIO.h>
#include <lib/imaging/ImgLib.h>

#include "../../TestSupport.h"
#include "CodecTestSupport.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

namespace {

std::set<std::string> namesInTestFolder()
{
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(TestHostFolder()))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace

// A file destination puts its file in place only when closed after a writer
// succeeded; otherwise the old file stays as it was and nothing is left beside it.
TEST(ImgFileDest, ReplacesTheFileOnlyAfterASuccessfulWrite)
{
    const RgbImage image = NoiseImage(3, 2);
    const auto writeBmp = [&](HIMGDEST destination) {
        return ImgWriteRGBToBMP(destination, image.rgb.data(), image.width, image.height);
    };
    const struct
    {
        const char *name;
        std::function<void(HIMGDEST)> write;
        bool replaced;
    } cases[] = {
        {"written", writeBmp, true},
        {"nothing written", [](HIMGDEST) {}, false},
        {"the writer refused", [&](HIMGDEST destination) { ImgWriteRGBToBMP(destination, image.rgb.data(), 0, 2); }, false},
        {"a later writer failed",
         [&](HIMGDEST destination) {
             writeBmp(destination);
             ImgWriteRGBToPNG(destination, nullptr, image.width, image.height, 0, 0);
         },
         false},
    };
    const std::string host = TestHostFolder() + "/picture.bmp";
    const QByteArray path = TestWindowsPath("picture.bmp").toUtf8();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        WriteHostFile(host, "old contents");
        const std::set<std::string> before = namesInTestFolder();
        HIMGDEST destination = ImgOpenFileDest(path.constData());
        ASSERT_NE(destination, nullptr);
        c.write(destination);
        EXPECT_EQ(ReadHostFile(host), "old contents") << "nothing replaced before the close";
        EXPECT_EQ(ImgCloseDest(destination), c.replaced);
        EXPECT_EQ(ReadHostFile(host) != "old contents", c.replaced);
        EXPECT_EQ(namesInTestFolder(), before);
    }
}

// A size is accepted only while the data could fill it at the format's
// densest coding; the limit on pixels holds whatever the data.
TEST(ImgDataCanFill, RefusesMorePixelsThanTheDataCanDescribe)
{
    struct Case
    {
        uint64_t width, height, dataBytes, maxPixelsPerByte;
        bool accepted;
    };
    const Case cases[] = {
        {100, 100, 10, 1000, true},              // exactly what the data can fill
        {100, 101, 10, 1000, false},             // one row more
        {16384, 16384, 60, 4096, false},         // a few bytes claiming a huge picture
        {16384, 16384, 65536, 4096, true},
        {uint64_t(1) << 20, uint64_t(1) << 20, uint64_t(1) << 40, 4096, false},  // beyond ImgMaxPixels
        {0, 10, 1000, 1000, false},
        {10, 10, 0, 1000, false},
        {1, 1, ~uint64_t(0), ~uint64_t(0) >> 28, true},  // no overflow on huge data
    };
    for (const Case &c : cases)
        EXPECT_EQ(ImgDataCanFill(c.width, c.height, c.dataBytes, c.maxPixelsPerByte), c.accepted)
            << c.width << "x" << c.height << " from " << c.dataBytes << " bytes";
}
