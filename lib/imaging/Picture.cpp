#include "Picture.h"

#include "ImgLib.h"
#include <lib/AviFile.h>
#include <lib/ProgressContext.h>
#include <platform/ProgramFolder.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

const char *const GifTiffEnablingFileName = "GifTiff.key";

namespace {

// The button-face colour of the system's colour table, behind rendered metafiles.
constexpr COLORREF ButtonFaceColour = 0xF0F0F0;
// The box a metafile is rendered into.
constexpr uint32_t MetafileBoxPixels = 256;

struct SaveFormat
{
    const char *name;        // the filter's text before the pattern
    const char *extension;   // with its dot
};

// In filter order, from index 1.
constexpr std::array<SaveFormat, 6> SaveFormats = {{
    {"Windows Bitmap", ".bmp"},
    {"JPEG - JFIF compliant", ".jpg"},
    {"Portable Network Graphics", ".png"},
    {"Targa", ".tga"},
    {"PCX", ".pcx"},
    {"Enhanced Windows Meta File", ".emf"},
}};
constexpr int AllFilesFilterIndex = 7;

bool gifTiffEnabled()
{
    return CPath(CString::MakeFullPath(ProgramFolder().c_str(), GifTiffEnablingFileName)).GetFileExists();
}

bool extensionIs(const CString &ext, const char *wanted)
{
    return ext.CompareNoCase(wanted) == 0;
}

} // namespace

CPicture::~CPicture()
{
    delete[] buffer;
}

bool CPicture::GetDimensions(const CPath &path)
{
    HIMGSRC source = ImgOpenFileSource(path.c_str());
    if (!source)
        return false;
    const bool answer = GetDimensions(source);
    ImgCloseSource(source);
    return answer;
}

bool CPicture::GetDimensions(HIMGSRC)
{
    return false;
}

HGLOBAL CPicture::ReadImageFile(HIMGSRC)
{
    return nullptr;
}

uint32_t CPicture::WriteImageFile(HIMGDEST) const
{
    return 0;
}

bool CPicture::FileIsBad(const CPath &path)
{
    return !path.GetFileExists();
}

bool CPicture::takeBlock(HGLOBAL block)
{
    SetBuffer(nullptr);
    const uint64_t bytes = bufferBytes();
    if (bytes == 0 || GlobalSize(block) < bytes)
        return false;
    buffer = new unsigned char[bytes];
    std::memcpy(buffer, GlobalLock(block), bytes);
    GlobalUnlock(block);
    return true;
}

bool CPicture::LoadFromFile(const CPath &path, TProgressContext &)
{
    SetBuffer(nullptr);
    if (FileIsBad(path))
        return false;
    HIMGSRC source = ImgOpenFileSource(path.c_str());
    if (!source)
        return false;
    HGLOBAL block = ReadImageFile(source);
    ImgCloseSource(source);
    if (block) {
        takeBlock(block);
        GlobalFree(block);
    }
    if (!buffer)
        return false;
    // Only for the bits: the buffer was made for the decoded size, whatever
    // the file says now.
    const uint32_t decodedWidth = width;
    const uint32_t decodedHeight = height;
    GetDimensions(path);
    width = decodedWidth;
    height = decodedHeight;
    return true;
}

bool CPicture::LoadReducedFromFile(const CPath &path, const WantedSize &, TProgressContext &progress)
{
    const bool loaded = LoadFromFile(path, progress);
    fullWidth = loaded ? width : 0;
    fullHeight = loaded ? height : 0;
    return loaded;
}

bool CPicture::loadReduced(const CPath &path, const WantedSize &wanted, ReducedReader read)
{
    SetBuffer(nullptr);
    fullWidth = 0;
    fullHeight = 0;
    if (FileIsBad(path))
        return false;
    HIMGSRC source = ImgOpenFileSource(path.c_str());
    if (!source)
        return false;
    HGLOBAL block = nullptr;
    // The query sets the bits, and the image's size that the wanted size depends on.
    if (GetDimensions(source) && ImgSeek(source, 0, 0)) {
        const CSize size = wanted(width, height);
        block = read(source, uint32_t(std::max(size.cx, 0)), uint32_t(std::max(size.cy, 0)), &width, &height,
                     &fullWidth, &fullHeight);
    }
    ImgCloseSource(source);
    if (!block)
        return false;
    takeBlock(block);
    GlobalFree(block);
    return buffer != nullptr;
}

bool CPicture::SaveToFile(const CPath &path, TProgressContext &) const
{
    if (!canSave() || !buffer || bufferBytes() == 0)
        return false;
    HIMGDEST destination = ImgOpenFileDest(path.c_str());
    if (!destination)
        return false;
    const uint32_t written = WriteImageFile(destination);
    // Puts the file in place only after a write that succeeded.
    const bool closed = ImgCloseDest(destination);
    return written != 0 && closed;
}

CPicture *CPicture::New(const CPath &path)
{
    switch (GuessPictureType(path)) {
    case ptBMP: return new CPictureBMP;
    case ptGIF: return new CPictureGIF;
    case ptTGA: return new CPictureTGA;
    case ptJPG: return new CPictureJPG;
    case ptPNG: return new CPicturePNG;
    case ptPCX: return new CPicturePCX;
    case ptTIF: return new CPictureTIF;
    case ptEMF: return new CPictureEMF;
    case ptAVI: return new CPictureAVI;
    default: return nullptr;
    }
}

CPicture *CPicture::New(int filterIndex)
{
    switch (filterIndex) {
    case 1: return new CPictureBMP;
    case 2: return new CPictureJPG;
    case 3: return new CPicturePNG;
    case 4: return new CPictureTGA;
    case 5: return new CPicturePCX;
    case 6: return new CPictureEMF;
    default: return nullptr;
    }
}

int CPicture::GuessPictureType(const CPath &path)
{
    static constexpr std::array<int, 9> FromContentGuess = {ptUnknown, ptBMP, ptGIF, ptJPG, ptPNG,
                                                            ptPCX,     ptTIF, ptWMF, ptEMF};
    int type = ptUnknown;
    if (HIMGSRC source = ImgOpenFileSource(path.c_str())) {
        const uint32_t guess = ImgGuessFileType(source);
        ImgCloseSource(source);
        if (guess < FromContentGuess.size())
            type = FromContentGuess[guess];
    }
    if (type != ptUnknown)
        return type;
    const CString ext = path.GetExtPart();
    if (extensionIs(ext, ".tga"))
        return ptTGA;
    if (extensionIs(ext, ".avi"))
        return ptAVI;
    if (extensionIs(ext, ".jpg") || extensionIs(ext, ".jpeg"))
        return ptJPG;
    return ptUnknown;
}

bool CPicture::CanLoad(const CPath &path)
{
    const int type = GuessPictureType(path);
    if (type == ptGIF || type == ptTIF)
        return gifTiffEnabled();
    return type != ptUnknown;
}

CString CPicture::Filter(bool noAllFiles)
{
    CString filter;
    for (const SaveFormat &format : SaveFormats) {
        const char *pattern = format.extension;
        filter += format.name;
        filter += " (*";
        filter += pattern;
        filter += ")|*";
        filter += pattern;
        filter += "|";
    }
    if (!noAllFiles)
        filter += "All Files (*.*)|*.*|";
    filter += "|";
    return filter;
}

int CPicture::FilterIndexFromExt(const CString &ext)
{
    if (extensionIs(ext, ".jpeg") || extensionIs(ext, ".jif"))
        return 2;
    for (size_t i = 0; i < SaveFormats.size(); ++i) {
        if (extensionIs(ext, SaveFormats[i].extension))
            return int(i) + 1;
    }
    return AllFilesFilterIndex;
}

CString CPicture::ExtFromFilterIndex(int filterIndex)
{
    if (filterIndex < 1 || filterIndex > int(SaveFormats.size()))
        return CString();
    return CString(SaveFormats[size_t(filterIndex) - 1].extension);
}

COLORREF CPicture::GetPixel(unsigned x, unsigned y) const
{
    if (!buffer || x >= width || y >= height)
        return 0;
    const unsigned char *pixel = buffer + (uint64_t(y) * width + x) * 3;
    return COLORREF(pixel[0]) | COLORREF(pixel[1]) << 8 | COLORREF(pixel[2]) << 16;
}

COLORREF CPicture::GetAverageColour() const
{
    const uint64_t pixelCount = buffer ? uint64_t(width) * height : 0;
    uint64_t sum[3] = {0, 0, 0};
    for (uint64_t i = 0; i < pixelCount; ++i) {
        for (int channel = 0; channel < 3; ++channel)
            sum[channel] += buffer[i * 3 + channel];
    }
    const uint64_t divisor = std::max<uint64_t>(pixelCount, 1);
    return COLORREF(sum[0] / divisor) | COLORREF(sum[1] / divisor) << 8 | COLORREF(sum[2] / divisor) << 16;
}

void CPicture::SetBuffer(unsigned char *rgb)
{
    delete[] buffer;
    buffer = rgb;
}

// Windows Bitmap

bool CPictureBMP::GetDimensions(HIMGSRC source)
{
    return ImgGetBMPDims(source, &width, &height, &bits) != 0;
}

HGLOBAL CPictureBMP::ReadImageFile(HIMGSRC source)
{
    return ImgReadBMPToRGB(source, &width, &height);
}

uint32_t CPictureBMP::WriteImageFile(HIMGDEST destination) const
{
    return ImgWriteRGBToBMP(destination, buffer, width, height);
}

// GIF

bool CPictureGIF::GetDimensions(HIMGSRC source)
{
    uint32_t queriedBits = 0;
    uint32_t queriedWidth = 0;
    uint32_t queriedHeight = 0;
    ImgGetGIFDims(source, &queriedWidth, &queriedHeight, &queriedBits);
    if (queriedBits > 0)
        bits = queriedBits;
    // A file that does not decode has no size, whatever its header says.
    if (!ImgSeek(source, 0, 0))
        return false;
    HGLOBAL block = ReadImageFile(source);
    if (!block)
        return false;
    GlobalFree(block);
    return true;
}

HGLOBAL CPictureGIF::ReadImageFile(HIMGSRC source)
{
    return ImgReadGIFToRGB(source, &width, &height);
}

bool CPictureGIF::FileIsBad(const CPath &path)
{
    return CPicture::FileIsBad(path) || !gifTiffEnabled();
}

// Targa

bool CPictureTGA::GetDimensions(HIMGSRC source)
{
    return ImgGetTGADims(source, &width, &height, &bits) != 0;
}

HGLOBAL CPictureTGA::ReadImageFile(HIMGSRC source)
{
    return ImgReadTGAToRGB(source, &width, &height);
}

uint32_t CPictureTGA::WriteImageFile(HIMGDEST destination) const
{
    return ImgWriteRGBToTGA(destination, buffer, width, height);
}

// JPEG

bool CPictureJPG::GetDimensions(HIMGSRC source)
{
    uint32_t unused = 0;
    if (!ImgGetJPGDims(source, &width, &height, &unused))
        return false;
    bits = 24;
    return true;
}

HGLOBAL CPictureJPG::ReadImageFile(HIMGSRC source)
{
    return ImgReadJPGToRGB(source, &width, &height);
}

uint32_t CPictureJPG::WriteImageFile(HIMGDEST destination) const
{
    return ImgWriteRGBToJPG(destination, buffer, width, height, quality, progressive ? 1 : 0);
}

bool CPictureJPG::LoadReducedFromFile(const CPath &path, const WantedSize &wanted, TProgressContext &)
{
    return loadReduced(path, wanted, ImgReadJPGToRGBReduced);
}

// PNG

bool CPicturePNG::GetDimensions(HIMGSRC source)
{
    return ImgGetPNGDims(source, &width, &height, &bits) != 0;
}

HGLOBAL CPicturePNG::ReadImageFile(HIMGSRC source)
{
    return ImgReadPNGToRGB(source, &width, &height);
}

uint32_t CPicturePNG::WriteImageFile(HIMGDEST destination) const
{
    return ImgWriteRGBToPNG(destination, buffer, width, height, 0, 0);
}

// PCX

bool CPicturePCX::GetDimensions(HIMGSRC source)
{
    return ImgGetPCXDims(source, &width, &height, &bits) != 0;
}

HGLOBAL CPicturePCX::ReadImageFile(HIMGSRC source)
{
    return ImgReadPCXToRGB(source, &width, &height);
}

uint32_t CPicturePCX::WriteImageFile(HIMGDEST destination) const
{
    return ImgWriteRGBToPCX(destination, buffer, width, height);
}

// TIFF

bool CPictureTIF::GetDimensions(HIMGSRC source)
{
    return ImgGetTIFFDims(source, &width, &height, &bits) != 0;
}

HGLOBAL CPictureTIF::ReadImageFile(HIMGSRC source)
{
    return ImgReadTIFFToRGB(source, &width, &height);
}

bool CPictureTIF::FileIsBad(const CPath &path)
{
    return CPicture::FileIsBad(path) || !gifTiffEnabled();
}

bool CPictureTIF::LoadReducedFromFile(const CPath &path, const WantedSize &wanted, TProgressContext &)
{
    return loadReduced(path, wanted, ImgReadTIFFToRGBReduced);
}

// Enhanced metafile

bool CPictureEMF::GetDimensions(const CPath &path)
{
    width = MetafileBoxPixels;
    height = MetafileBoxPixels;
    HGLOBAL block = ImgReadMetafileToRGB(path.c_str(), &width, &height, ButtonFaceColour);
    if (!block)
        return false;
    GlobalFree(block);
    return true;
}

bool CPictureEMF::LoadFromFile(const CPath &path, TProgressContext &)
{
    SetBuffer(nullptr);
    width = MetafileBoxPixels;
    height = MetafileBoxPixels;
    HGLOBAL block = ImgReadMetafileToRGB(path.c_str(), &width, &height, ButtonFaceColour);
    if (!block)
        return false;
    const bool taken = takeBlock(block);
    GlobalFree(block);
    return taken;
}

uint32_t CPictureEMF::WriteImageFile(HIMGDEST destination) const
{
    return ImgWriteRGBToEMF(destination, buffer, width, height);
}

// AVI

bool CPictureAVI::GetDimensions(const CPath &path)
{
    CAviFile avi;
    if (avi.OpenRead(path) != aviSuccess)
        return false;
    BITMAPINFOHEADER header{};
    if (avi.GetFrameInfo(0, &header) != aviSuccess || header.biWidth <= 0)
        return false;
    width = uint32_t(header.biWidth);
    height = uint32_t(std::abs(int64_t(header.biHeight)));
    bits = header.biBitCount;
    return true;
}

bool CPictureAVI::LoadFromFile(const CPath &path, TProgressContext &)
{
    SetBuffer(nullptr);
    CAviFile avi;
    if (avi.OpenRead(path) != aviSuccess)
        return false;
    unsigned char *rgb = nullptr;
    unsigned frameWidth = 0;
    unsigned frameHeight = 0;
    unsigned frameBits = 0;
    const bool read = avi.ReadFrame(0, rgb, frameWidth, frameHeight, frameBits) == aviSuccess && rgb;
    avi.Close();
    if (!read)
        return false;
    width = frameWidth;
    height = frameHeight;
    bits = frameBits;
    SetBuffer(rgb);
    return true;
}
