#include "ThumbBuild.h"

#include "FolderOptions.h"
#include "ThumbProgressContext.h"
#include "ZiloOptions.h"

#include <Source/Glob.h>

#include <lib/Palette.h>
#include <lib/ProgressContext.h>
#include <lib/WaitCursor.h>
#include <lib/controls/ColourControl.h>
#include <lib/imaging/Bitmap.h>
#include <lib/imaging/ImgIO.h>
#include <lib/imaging/Picture.h>
#include <platform/Stream.h>
#include <platform/SystemMetrics.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <utility>

namespace {

// The texture that stands in for a picture that cannot be had: of the
// desktop's colour for text fields, on which the text colour that goes with
// it (and the options' default, black) reads; never black under black text.
const CSize StandInTextureSize(118, 64);

// Along one axis of a resample: for each destination pixel, the run of source
// pixels under it and how much of each it covers. Lengths count in units of
// 1 / destinationLength of a source pixel, so every weight is a whole number
// and the weights of one destination pixel add up to sourceLength.
struct AxisWeights
{
    std::vector<int32_t> first;      // per destination pixel: its first source pixel
    std::vector<uint32_t> begin;     // per destination pixel, and one more: where its weights start
    std::vector<uint32_t> weights;   // the runs, one after the other
};

AxisWeights axisWeights(int sourceLength, int destinationLength)
{
    AxisWeights axis;
    axis.first.resize(size_t(destinationLength));
    axis.begin.resize(size_t(destinationLength) + 1);
    axis.weights.reserve(size_t(sourceLength) + size_t(destinationLength));
    for (int index = 0; index < destinationLength; ++index) {
        // The destination pixel spans [start, end); source pixel s spans
        // [s * destinationLength, (s + 1) * destinationLength). end never
        // passes the last source pixel.
        const int64_t start = int64_t(index) * sourceLength;
        const int64_t end = start + sourceLength;
        int64_t source = start / destinationLength;
        axis.first[size_t(index)] = int32_t(source);
        axis.begin[size_t(index)] = uint32_t(axis.weights.size());
        for (; source * destinationLength < end; ++source) {
            const int64_t covered =
                std::min(end, (source + 1) * destinationLength) - std::max(start, source * destinationLength);
            axis.weights.push_back(uint32_t(covered));
        }
    }
    axis.begin[size_t(destinationLength)] = uint32_t(axis.weights.size());
    return axis;
}

// The source rows under destination row y, weighted and added up column by
// column: values bytes a row, in source order.
template <typename Sum>
void sumRows(const uint8_t *source, int sourceStride, const AxisWeights &rows, int y, size_t values,
             Sum *__restrict sums)
{
    std::fill(sums, sums + values, Sum(0));
    int32_t sourceRow = rows.first[size_t(y)];
    for (uint32_t k = rows.begin[size_t(y)]; k < rows.begin[size_t(y) + 1]; ++k, ++sourceRow) {
        const uint8_t *__restrict row = source + size_t(sourceRow) * size_t(sourceStride);
        const Sum weight = Sum(rows.weights[k]);
        // In blocks of a fixed size, which the compiler turns into vector
        // operations; this loop is most of a thumbnail's resample.
        constexpr size_t Block = 16;
        size_t i = 0;
        for (; i + Block <= values; i += Block) {
            for (size_t j = 0; j < Block; ++j)
                sums[i + j] += weight * row[i + j];
        }
        for (; i < values; ++i)
            sums[i] += weight * row[i];
    }
}

// ResampleRGB on checked arguments. Sum holds a column's weighted sum, a
// whole number of at most 255 x sourceHeight.
template <typename Sum>
void resample(const uint8_t *source, int sourceWidth, int sourceHeight, bool swap, bool flip, int destinationStride,
              int destinationHeight, int destinationWidth, uint8_t *destination, int sourceStride)
{
    const AxisWeights columns = axisWeights(sourceWidth, destinationWidth);
    const AxisWeights rows = axisWeights(sourceHeight, destinationHeight);
    // Each total is a whole number n, and the channel is n / (sourceWidth x
    // sourceHeight) truncated. (n + 0.5) times the reciprocal lies at least
    // 0.5 / divisor from a whole number, far more than the product's rounding
    // error for the divisors ImgMaxPixels allows, so it truncates exactly.
    const double reciprocal = 1.0 / (double(sourceWidth) * double(sourceHeight));
    const auto channel = [reciprocal](double total) { return uint8_t((total + 0.5) * reciprocal); };
    const size_t first = swap ? 2 : 0;
    const size_t last = swap ? 0 : 2;
    std::vector<Sum> sums(size_t(sourceWidth) * 3);
    for (int y = 0; y < destinationHeight; ++y) {
        sumRows(source, sourceStride, rows, y, sums.size(), sums.data());
        uint8_t *out = destination + size_t(flip ? destinationHeight - 1 - y : y) * size_t(destinationStride);
        for (int x = 0; x < destinationWidth; ++x, out += 3) {
            const Sum *column = &sums[size_t(columns.first[size_t(x)]) * 3];
            double total0 = 0, total1 = 0, total2 = 0;
            for (uint32_t k = columns.begin[size_t(x)]; k < columns.begin[size_t(x) + 1]; ++k, column += 3) {
                const double weight = columns.weights[k];
                total0 += weight * column[0];
                total1 += weight * column[1];
                total2 += weight * column[2];
            }
            out[first] = channel(total0);
            out[1] = channel(total1);
            out[last] = channel(total2);
        }
    }
}

void fillBlack(uint8_t *destination, int destinationStride, int destinationHeight, int destinationWidth)
{
    for (int y = 0; y < destinationHeight; ++y)
        std::memset(destination + size_t(y) * size_t(destinationStride), 0, size_t(destinationWidth) * 3);
}

bool isStopping(const TWorkerProgressContext &hooks, const CThumbProgressContext *context)
{
    return hooks.IsStopped() || (context && context->IsTerminated());
}

bool sameFile(const TFileHandler &before, const TFileHandler &after)
{
    return before.GetSize() == after.GetSize() && CompareFileTime(&before.GetModified(), &after.GetModified()) == 0;
}

// The decoded picture at the thumbnail's size, by the folder's choice of a
// draft resize or a resample with sharpening.
std::vector<uint8_t> shrink(const CPicture &picture, CSize size, const CPath &folder)
{
    return ShrinkPicture(picture, size, FolderOptionInt(folder, TFolderOptions::DraftThumbnails) != 0,
                         FolderOptionInt(folder, TFolderOptions::ThumbnailSharpness));
}

// Decodes, shrinks and compresses file's image, telling hooks as each of the
// three is done. Pending when stopped, or when the file changed while it was
// read (it is still being written, and the next build gets it whole).
TThumbBuild buildThumbnail(const TImageHandler &file, TWorkerProgressContext &hooks,
                           const CThumbProgressContext *context)
{
    TThumbBuild build;
    const CPath path = file.GetFullPath();
    std::unique_ptr<CPicture> picture(CPicture::New(path));
    if (!picture) {
        build.state = TThumbState::Failed;
        return build;
    }
    const int32_t boxSize = FolderOptionInt(file.GetFolder(), TFolderOptions::ThumbnailSize);
    const TFileHandler before(path);
    const auto thumbnailSize = [boxSize](uint32_t width, uint32_t height) {
        return CThumbBitmap::FitThumbnailSize(width, height, boxSize);
    };
    const bool decoded = picture->LoadReducedFromFile(path, thumbnailSize, hooks);
    hooks.Nudge();
    if (isStopping(hooks, context))
        return build;
    const TFileHandler after(path);
    if (!sameFile(before, after))
        return build;
    build.state = TThumbState::Failed;
    if (!decoded)
        return build;

    const CSize size = CThumbBitmap::FitThumbnailSize(picture->fullWidth, picture->fullHeight, boxSize);
    const std::vector<uint8_t> rgb = shrink(*picture, size, file.GetFolder());
    hooks.Nudge();
    build.jpeg = EncodeJpegToMemory(rgb.data(), size);
    hooks.Nudge();
    if (build.jpeg.empty())
        return build;
    build.state = TThumbState::Loaded;
    build.thumbnailSize = size;
    build.statistics = ThumbColourStatistics(rgb.data(), int64_t(size.cx) * size.cy);
    build.imageWidth = int32_t(picture->fullWidth);
    build.imageHeight = int32_t(picture->fullHeight);
    build.bits = int16_t(picture->bits);
    build.fileSize = after.GetSize();
    build.modified = after.GetModified();
    return build;
}

// The picture at path, flipped and made grey as asked; false when there is none.
bool loadTexturePixels(const CPath &path, bool greyscale, bool flipVertical, bool flipHorizontal,
                       std::vector<uint8_t> &rgb, CSize &size)
{
    std::unique_ptr<CPicture> picture(CPicture::New(path));
    TProgressContext progress;
    if (!picture || !picture->LoadFromFile(path, progress))
        return false;
    const uint32_t width = picture->width;
    const uint32_t height = picture->height;
    rgb.assign(picture->buffer, picture->buffer + size_t(width) * height * 3);
    size = CSize(int32_t(width), int32_t(height));
    if (flipHorizontal)
        ImgFlipHorizontalRGB(rgb.data(), width, height);
    if (flipVertical)
        ImgVertFlipBuf(rgb.data(), width * 3, height);
    if (greyscale)
        ImgRGBToGrayScale24(rgb.data(), width, height);
    return true;
}

} // namespace

std::vector<uint8_t> ShrinkPicture(const CPicture &picture, CSize size, bool draft, int sharpness)
{
    std::vector<uint8_t> rgb(size_t(size.cx) * size_t(size.cy) * 3);
    if (draft) {
        ImgResizeRGB(picture.buffer, picture.width, picture.height, rgb.data(), uint32_t(size.cx),
                     uint32_t(size.cy));
        return rgb;
    }
    ResampleRGB(picture.buffer, int(picture.width), int(picture.height), false, false, size.cx * 3, size.cy, size.cx,
                rgb.data(), int(picture.width) * 3);
    if (sharpness > 0) {
        CSingleLock lock(CProtectIS::CS);
        ImgSharpenRGB(rgb.data(), uint32_t(size.cx), uint32_t(size.cy), rgb.data(), uint32_t(sharpness));
    }
    return rgb;
}

void ResampleRGB(const uint8_t *source, int sourceWidth, int sourceHeight, bool swap, bool flip,
                 int destinationStride, int destinationHeight, int destinationWidth, uint8_t *destination,
                 int sourceStride)
{
    if (!destination || destinationWidth <= 0 || destinationHeight <= 0)
        return;
    if (!source || sourceWidth <= 0 || sourceHeight <= 0
        || uint64_t(sourceWidth) * uint64_t(sourceHeight) > ImgMaxPixels) {
        fillBlack(destination, destinationStride, destinationHeight, destinationWidth);
        return;
    }
    // Every sum is a whole number, exact in a float below 2^24 and in a double
    // below 2^53; floats make the column sums vector operations.
    if (uint64_t(sourceHeight) * 255 < (uint64_t(1) << 24))
        resample<float>(source, sourceWidth, sourceHeight, swap, flip, destinationStride, destinationHeight,
                           destinationWidth, destination, sourceStride);
    else
        resample<double>(source, sourceWidth, sourceHeight, swap, flip, destinationStride, destinationHeight,
                           destinationWidth, destination, sourceStride);
}

std::vector<uint8_t> EncodeJpegToMemory(const uint8_t *rgb, CSize size)
{
    return EncodeJpegToMemory(rgb, size, JpegOptions->JpegQuality(), JpegOptions->GetInt(TJpegOptions::Encoding) != 0);
}

std::vector<uint8_t> EncodeJpegToMemory(const uint8_t *rgb, CSize size, int quality, bool progressive)
{
    // A growing destination: the raw size bounds nothing (the headers of a
    // 1 x 80 thumbnail alone are larger than its pixels).
    TMemoryStream stream;
    HIMGDEST destination = ImgOpenStreamDest(stream);
    const uint32_t written =
        ImgWriteRGBToJPG(destination, rgb, uint32_t(std::max(size.cx, 0)), uint32_t(std::max(size.cy, 0)),
                         uint32_t(std::clamp(quality, 1, 100)), progressive ? 1 : 0);
    const bool closed = ImgCloseDest(destination);
    if (written == 0 || !closed)
        return {};
    const auto *bytes = static_cast<const uint8_t *>(stream.Memory());
    return std::vector<uint8_t>(bytes, bytes + stream.Size());
}

TThumbColourStatistics ThumbColourStatistics(const uint8_t *rgb, int64_t pixelCount)
{
    uint64_t sums[3] = {0, 0, 0};
    for (int64_t pixel = 0; pixel < pixelCount; ++pixel, rgb += 3) {
        sums[0] += rgb[0];
        sums[1] += rgb[1];
        sums[2] += rgb[2];
    }
    const double divisor = 255.0 * double(std::max<int64_t>(pixelCount, 1));
    const double red = double(sums[0]) / divisor;
    const double green = double(sums[1]) / divisor;
    const double blue = double(sums[2]) / divisor;
    double hue, saturation, brightness;
    TColourBar::RGBtoHSL(red, green, blue, hue, saturation, brightness);
    const auto scaled = [](double fraction) { return uint16_t(std::clamp(fraction, 0.0, 1.0) * 65535); };
    TThumbColourStatistics statistics;
    statistics.hue = scaled(hue);
    statistics.saturation = scaled(saturation);
    statistics.brightness = scaled(brightness);
    statistics.temperature = scaled((blue - red + 1) * 0.5);
    return statistics;
}

int TintRGB(uint8_t *rgb, int64_t pixelCount, COLORREF tint, int strength)
{
    const double factor = strength * 0.01;
    const int target[3] = {int(tint & 0xFF), int(tint >> 8 & 0xFF), int(tint >> 16 & 0xFF)};
    uint64_t total = 0;
    for (int64_t pixel = 0; pixel < pixelCount; ++pixel) {
        for (int channel = 0; channel < 3; ++channel, ++rgb) {
            // In bytes rather than fractions of 255: the same value, and
            // exact where it is a whole number (strength 0 or 100).
            const int byte = *rgb;
            const double tinted = (target[channel] - byte) * factor + byte;
            *rgb = uint8_t(std::clamp(tinted, 0.0, 255.0));
            total += *rgb;
        }
    }
    return pixelCount > 0 ? int(total / (uint64_t(pixelCount) * 3)) : 0;
}

void LoadPanelTexture(const CPath &path, QImage &target, COLORREF tint, int maxWidth, int maxHeight, bool greyscale,
                      bool flipVertical, bool flipHorizontal, int strength)
{
    CWaitCursor waitCursor;
    std::vector<uint8_t> rgb;
    CSize size;
    if (!loadTexturePixels(path, greyscale, flipVertical, flipHorizontal, rgb, size)) {
        size = StandInTextureSize;
        const COLORREF base = GetSysColor(COLOR_WINDOW);
        const uint8_t pixel[3] = {uint8_t(base & 0xFF), uint8_t((base >> 8) & 0xFF), uint8_t((base >> 16) & 0xFF)};
        rgb.resize(size_t(size.cx) * size_t(size.cy) * 3);
        for (size_t at = 0; at < rgb.size(); at += 3)
            std::memcpy(&rgb[at], pixel, 3);
    }
    TintRGB(rgb.data(), int64_t(size.cx) * size.cy, tint, strength);
    const CSize cut(std::min(maxWidth, size.cx), std::min(maxHeight, size.cy));
    if (cut.cx <= 0 || cut.cy <= 0) {
        target = QImage();
        return;
    }
    std::vector<uint8_t> resampled(size_t(cut.cx) * size_t(cut.cy) * 3);
    ResampleRGB(rgb.data(), size.cx, size.cy, false, false, cut.cx * 3, cut.cy, cut.cx, resampled.data(),
                size.cx * 3);
    const CBitmap bitmap(resampled.data(), cut);
    target = QImage(cut.cx, cut.cy, QImage::Format_RGB32);
    QPainter painter(&target);
    bitmap.Paint(&painter, 0, 0, false, const_cast<StdPalette *>(&SharedPalette));
}

void CThumbBitmap::MakeThumbnail(CThumbProgressContext *context)
{
    const auto started = std::chrono::steady_clock::now();
    TWorkerProgressContext plainHooks;
    TWorkerProgressContext &hooks = context ? *context->GetProgressHooks() : plainHooks;
    TThumbBuild build;
    try {
        m_clients.NotifyClients(Changed);
        if (!isStopping(hooks, context))
            build = buildThumbnail(GetHandler(), hooks, context);
    } catch (...) {
        // The claim must end, or no thread would build the record again.
        build = TThumbBuild();
        build.state = TThumbState::Failed;
        endBuild(std::move(build));
        throw;
    }
    // Stopped, the build leaves nothing behind, not even a failure that a
    // browse file saved meanwhile would keep for a good image.
    if (isStopping(hooks, context))
        build = TThumbBuild();
    build.buildTime = int32_t(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count());
    endBuild(std::move(build));
}
