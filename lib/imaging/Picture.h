#pragma once

#include "ImgLib.h"
#include <lib/Path.h>
#include <lib/Rect.h>
#include <lib/String.h>

#include <cstdint>
#include <functional>

class TProgressContext;

// Type codes that GuessPictureType answers. 8 (Windows metafile) has no class.
enum TPictureType : int {
    ptUnknown = 0,
    ptBMP = 1,
    ptGIF = 2,
    ptTGA = 3,
    ptJPG = 4,
    ptPNG = 5,
    ptPCX = 6,
    ptTIF = 7,
    ptWMF = 8,
    ptEMF = 9,
    ptAVI = 10,
};

// The file in the program folder whose presence offers GIF and TIFF decoding.
extern const char *const GifTiffEnablingFileName;

// One image file decoded to a 24-bit RGB buffer, a subclass per file format.
// Nothing raises: every failure is a false answer or a null picture. One
// thread at a time per picture; each thread calls ImgInitialize first.
class CPicture
{
public:
    CPicture() = default;
    virtual ~CPicture();
    CPicture(const CPicture &) = delete;
    CPicture &operator=(const CPicture &) = delete;

    // Opens the file as a source and asks GetDimensions(source).
    virtual bool GetDimensions(const CPath &path);
    // Width, height (and bits) from an open source without decoding.
    virtual bool GetDimensions(HIMGSRC source);
    // Decodes to an rgb block (the caller frees it with GlobalFree) and sets
    // width and height; null on failure.
    virtual HGLOBAL ReadImageFile(HIMGSRC source);
    // Encodes the buffer; answers the bytes written, 0 on failure or for a
    // kind without a writer.
    virtual uint32_t WriteImageFile(HIMGDEST destination) const;
    // True when the file does not exist.
    virtual bool FileIsBad(const CPath &path);
    // Replaces the buffer by the file's image; false, with no buffer, when
    // the file cannot be decoded or its image is empty.
    virtual bool LoadFromFile(const CPath &path, TProgressContext &progress);
    // Writes the buffer to a temporary file beside path and renames it over
    // path only when the writer has succeeded; on any failure path keeps its
    // old contents and no temporary file is left. False, touching nothing,
    // for a kind without a writer or a picture without a buffer.
    virtual bool SaveToFile(const CPath &path, TProgressContext &progress) const;
    // Whether this kind has a writer.
    virtual bool canSave() const { return false; }

    // The size an image of the given size is wanted at.
    using WantedSize = std::function<CSize(uint32_t imageWidth, uint32_t imageHeight)>;
    // For thumbnails: LoadFromFile, except that a kind that can decode at a
    // reduced size (JPEG, TIFF) does so, staying at least twice wanted(the
    // image's size) in both directions where the image is that large. Sets
    // fullWidth and fullHeight to the image's own size; width and height are
    // the buffer's.
    virtual bool LoadReducedFromFile(const CPath &path, const WantedSize &wanted, TProgressContext &progress);

    // Owned by the caller; null for codes 0 and 8.
    static CPicture *New(const CPath &path);
    // The save formats in filter order: 1 BMP, 2 JPG, 3 PNG, 4 TGA, 5 PCX,
    // 6 EMF; null otherwise.
    static CPicture *New(int filterIndex);
    // From the content first, then the extension (Targa and AVI have no
    // content guess).
    static int GuessPictureType(const CPath &path);
    static bool CanLoad(const CPath &path);
    static CString Filter(bool noAllFiles);
    // Case-blind; 7 (All Files) for an extension that is not a save format.
    static int FilterIndexFromExt(const CString &ext);
    // Empty for an index that is not a save format.
    static CString ExtFromFilterIndex(int filterIndex);

    // red | green << 8 | blue << 16; 0 outside the picture.
    COLORREF GetPixel(unsigned x, unsigned y) const;
    // Each channel's mean over the pixels (rounded down); 0 for an empty picture.
    COLORREF GetAverageColour() const;
    // Frees the current buffer and takes rgb (allocated with new[]); the
    // caller sets width and height to match.
    void SetBuffer(unsigned char *rgb);

    uint32_t width = 0;               // pixels
    uint32_t height = 0;              // pixels
    uint32_t bits = 0;                // the file's bit depth; the buffer is always 24-bit
    unsigned char *buffer = nullptr;  // width x height x 3 bytes, top-down RGB; null when nothing is loaded
    uint32_t fullWidth = 0;           // the image's own size, set by LoadReducedFromFile
    uint32_t fullHeight = 0;

protected:
    using ReducedReader = HGLOBAL (*)(HIMGSRC source, uint32_t wantedWidth, uint32_t wantedHeight, uint32_t *width,
                                      uint32_t *height, uint32_t *fullWidth, uint32_t *fullHeight);
    uint64_t bufferBytes() const { return uint64_t(width) * height * 3; }
    // LoadReducedFromFile through the kind's dimension query and read.
    bool loadReduced(const CPath &path, const WantedSize &wanted, ReducedReader read);
    // Takes a copy of block's first width x height x 3 bytes as the buffer;
    // false, with no buffer, when the block is smaller or the size is empty.
    bool takeBlock(HGLOBAL block);
};

class CPictureBMP : public CPicture
{
public:
    bool GetDimensions(HIMGSRC source) override;
    using CPicture::GetDimensions;
    HGLOBAL ReadImageFile(HIMGSRC source) override;
    uint32_t WriteImageFile(HIMGDEST destination) const override;
    bool canSave() const override { return true; }
};

// Offered only when the enabling file is in the program folder.
class CPictureGIF : public CPicture
{
public:
    // Decodes the whole image, since the logical screen may differ from
    // what the dimension query reports; false when it does not decode.
    bool GetDimensions(HIMGSRC source) override;
    using CPicture::GetDimensions;
    HGLOBAL ReadImageFile(HIMGSRC source) override;
    bool FileIsBad(const CPath &path) override;
};

class CPictureTGA : public CPicture
{
public:
    bool GetDimensions(HIMGSRC source) override;
    using CPicture::GetDimensions;
    HGLOBAL ReadImageFile(HIMGSRC source) override;
    uint32_t WriteImageFile(HIMGDEST destination) const override;
    bool canSave() const override { return true; }
};

class CPictureJPG : public CPicture
{
public:
    bool GetDimensions(HIMGSRC source) override;
    using CPicture::GetDimensions;
    HGLOBAL ReadImageFile(HIMGSRC source) override;
    uint32_t WriteImageFile(HIMGDEST destination) const override;
    bool canSave() const override { return true; }
    bool LoadReducedFromFile(const CPath &path, const WantedSize &wanted, TProgressContext &progress) override;

    uint32_t quality = 95;     // 1 to 100
    bool progressive = false;  // the writer's flag: progressive rather than baseline
};

class CPicturePNG : public CPicture
{
public:
    bool GetDimensions(HIMGSRC source) override;
    using CPicture::GetDimensions;
    HGLOBAL ReadImageFile(HIMGSRC source) override;
    uint32_t WriteImageFile(HIMGDEST destination) const override;
    bool canSave() const override { return true; }
};

class CPicturePCX : public CPicture
{
public:
    bool GetDimensions(HIMGSRC source) override;
    using CPicture::GetDimensions;
    HGLOBAL ReadImageFile(HIMGSRC source) override;
    uint32_t WriteImageFile(HIMGDEST destination) const override;
    bool canSave() const override { return true; }
};

// Offered only when the enabling file is in the program folder.
class CPictureTIF : public CPicture
{
public:
    bool GetDimensions(HIMGSRC source) override;
    using CPicture::GetDimensions;
    HGLOBAL ReadImageFile(HIMGSRC source) override;
    bool FileIsBad(const CPath &path) override;
    bool LoadReducedFromFile(const CPath &path, const WantedSize &wanted, TProgressContext &progress) override;
};

// Rendered into a box of 256 x 256 pixels, keeping its shape.
class CPictureEMF : public CPicture
{
public:
    bool GetDimensions(const CPath &path) override;
    using CPicture::GetDimensions;
    bool LoadFromFile(const CPath &path, TProgressContext &progress) override;
    uint32_t WriteImageFile(HIMGDEST destination) const override;
    bool canSave() const override { return true; }
};

// The first frame stands for the movie.
class CPictureAVI : public CPicture
{
public:
    bool GetDimensions(const CPath &path) override;
    using CPicture::GetDimensions;
    bool LoadFromFile(const CPath &path, TProgressContext &progress) override;
};
