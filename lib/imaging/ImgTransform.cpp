// Pixel operations on the library's rgb buffers (top-down rows, 3 bytes a
// pixel, no padding). All refuse a null buffer; those given a width and height
// also refuse an image that is empty or larger than ImgMaxPixels, so that no
// size can overflow. Temporary buffers are allocated once per call, never per
// pixel, and a failed allocation answers FALSE (or null) with the image
// untouched.

#include "ImgLib.h"

#include "ImgIO.h"
#include "ImgRasterIO.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

// The bytes of a width x height image; false when there is no such image.
bool imageBytes(uint32_t width, uint32_t height, size_t &bytes)
{
    if (!ImgSizeIsAcceptable(width, height))
        return false;
    bytes = size_t(width) * height * 3;
    return true;
}

bool rangesOverlap(const void *a, size_t aBytes, const void *b, size_t bBytes)
{
    const auto first = reinterpret_cast<uintptr_t>(a), second = reinterpret_cast<uintptr_t>(b);
    return first < second + bBytes && second < first + aBytes;
}

std::unique_ptr<uint8_t[]> allocateBytes(size_t bytes)
{
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes]);
}

uint8_t clampToByte(int64_t value)
{
    return uint8_t(value < 0 ? 0 : value > 255 ? 255 : value);
}

uint8_t roundToByte(double value)
{
    return value <= 0 ? 0 : value >= 255 ? 255 : uint8_t(value + 0.5);
}

void copyPixel(const uint8_t *in, uint8_t *out)
{
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
}

// --- Blur ---------------------------------------------------------------

// Far past any useful blur. It keeps a window's sum of bytes inside 32 bits
// and lets the division by the window be a multiplication: for sums below
// 256 windows, (sum x ceil(2^40 / window)) >> 40 is exact while the window is
// below 2^16.
constexpr uint32_t MaxBlurRadius = 1 << 12;

// One pass of a box of 2 x radius + 1 elements along a line of count
// elements, each lanes bytes wide (Lanes when it is given, so that a pixel's
// few lanes unroll) and stride bytes after the one before; the end elements
// stand for those beyond them. out must overlap neither in nor sums, which
// lets the lanes' loop vectorise.
template <size_t Lanes = 0>
void boxPass(const uint8_t *__restrict in, uint8_t *__restrict out, size_t count, size_t stride, size_t lanes,
             uint32_t radius, uint32_t *__restrict sums)
{
    if constexpr (Lanes != 0)
        lanes = Lanes;
    const int64_t last = int64_t(count) - 1;
    const uint32_t window = 2 * radius + 1;
    const uint64_t reciprocal = ((uint64_t(1) << 40) + window - 1) / window;
    const auto element = [&](int64_t index) { return in + size_t(std::clamp<int64_t>(index, 0, last)) * stride; };
    // The window of element 0: radius + 1 copies of it, then the next radius elements.
    for (size_t lane = 0; lane < lanes; ++lane)
        sums[lane] = (radius + 1) * in[lane];
    const int64_t inside = std::min<int64_t>(radius, last);
    for (int64_t index = 1; index <= inside; ++index) {
        const uint8_t *next = element(index);
        for (size_t lane = 0; lane < lanes; ++lane)
            sums[lane] += next[lane];
    }
    if (int64_t(radius) > last) {
        const uint32_t copies = uint32_t(int64_t(radius) - last);
        for (size_t lane = 0; lane < lanes; ++lane)
            sums[lane] += copies * in[size_t(last) * stride + lane];
    }
    for (int64_t index = 0; index <= last; ++index) {
        uint8_t *target = out + size_t(index) * stride;
        const uint8_t *leaving = element(index - int64_t(radius));
        const uint8_t *entering = element(index + int64_t(radius) + 1);
        for (size_t lane = 0; lane < lanes; ++lane) {
            target[lane] = uint8_t(((sums[lane] + window / 2) * reciprocal) >> 40);
            sums[lane] += entering[lane];
            sums[lane] -= leaving[lane];
        }
    }
}

// --- Resize -------------------------------------------------------------

constexpr int32_t WeightOne = 1 << 14;   // fixed-point weights; the taps of one output pixel sum to this

// For each output pixel along one axis, the input pixels it takes and their weights.
struct AxisTaps
{
    std::vector<uint32_t> first;     // first input pixel of each output pixel
    std::vector<uint32_t> begin;     // index in weights of each output pixel's first weight; one more at the end
    std::vector<int32_t> weights;

    uint32_t count(size_t output) const { return begin[output + 1] - begin[output]; }
};

// Adds one output pixel whose input pixels from first on take shares out of
// total. Each weight is the rounded running share less the one before it, so
// that the weights sum to exactly WeightOne and a flat image stays flat.
void addTaps(AxisTaps &taps, uint32_t first, const uint64_t *shares, uint32_t count, uint64_t total)
{
    taps.first.push_back(first);
    uint64_t covered = 0;
    int32_t given = 0;
    for (uint32_t k = 0; k < count; ++k) {
        covered += shares[k];
        const auto upTo = int32_t((covered * WeightOne + total / 2) / total);
        taps.weights.push_back(upTo - given);
        given = upTo;
    }
    taps.begin.push_back(uint32_t(taps.weights.size()));
}

// Shrinking averages the input pixels each output pixel covers, by the share
// of it that they cover; enlarging interpolates linearly between the two
// nearest input pixel centres.
AxisTaps makeTaps(uint32_t inputs, uint32_t outputs)
{
    AxisTaps taps;
    taps.first.reserve(outputs);
    taps.begin.reserve(size_t(outputs) + 1);
    taps.weights.reserve(size_t(inputs) + 2 * size_t(outputs));
    taps.begin.push_back(0);
    std::vector<uint64_t> shares;
    for (uint64_t o = 0; o < outputs; ++o) {
        shares.clear();
        if (inputs > outputs) {
            // In units of 1/outputs of an input pixel, output o covers [o x inputs, (o + 1) x inputs).
            const uint64_t start = o * inputs, end = start + inputs;
            const uint64_t first = start / outputs;
            for (uint64_t j = first; j < inputs && j * outputs < end; ++j)
                shares.push_back(std::min(end, (j + 1) * outputs) - std::max(start, j * outputs));
            addTaps(taps, uint32_t(first), shares.data(), uint32_t(shares.size()), inputs);
            continue;
        }
        // The centre of output o falls at ((2o + 1) x inputs - outputs) / (2 x outputs) in input pixels.
        const int64_t numerator = int64_t((2 * o + 1) * inputs) - int64_t(outputs);
        const uint64_t denominator = 2 * uint64_t(outputs);
        const uint64_t position = numerator < 0 ? 0 : uint64_t(numerator);
        const uint64_t left = position / denominator, fraction = position % denominator;
        if (left + 1 >= inputs || fraction == 0) {
            const uint64_t one = 1;
            addTaps(taps, uint32_t(std::min<uint64_t>(left, inputs - 1)), &one, 1, 1);
            continue;
        }
        shares = {denominator - fraction, fraction};
        addTaps(taps, uint32_t(left), shares.data(), 2, denominator);
    }
    return taps;
}

// Keeps the last two input rows resized across. The vertical taps ask for
// rows in rising order, never one below the last asked for less one (the row
// two output rows share), so two slots resize each input row once.
class ResizedRows
{
public:
    ResizedRows(const uint8_t *input, uint32_t inputWidth, const AxisTaps &across)
        : m_input(input), m_inputWidth(inputWidth), m_across(across), m_outputValues(across.first.size() * 3),
          m_rows(2 * m_outputValues), m_rowInSlot(2, UINT32_MAX)
    {
    }

    // Row y of the input, resized across, in 1/256 steps of a byte value.
    const uint16_t *row(uint32_t y)
    {
        const size_t slot = y % m_rowInSlot.size();
        uint16_t *out = &m_rows[slot * m_outputValues];
        if (m_rowInSlot[slot] != y) {
            resizeAcross(m_input + size_t(y) * m_inputWidth * 3, out);
            m_rowInSlot[slot] = y;
        }
        return out;
    }

private:
    void resizeAcross(const uint8_t *in, uint16_t *out) const
    {
        const size_t outputs = m_across.first.size();
        for (size_t x = 0; x < outputs; ++x, out += 3) {
            const uint8_t *pixel = in + size_t(m_across.first[x]) * 3;
            const int32_t *weight = &m_across.weights[m_across.begin[x]];
            const uint32_t count = m_across.count(x);
            int32_t sum[3] = {0, 0, 0};
            for (uint32_t k = 0; k < count; ++k, pixel += 3) {
                sum[0] += weight[k] * pixel[0];
                sum[1] += weight[k] * pixel[1];
                sum[2] += weight[k] * pixel[2];
            }
            for (int c = 0; c < 3; ++c)
                out[c] = uint16_t((sum[c] + 32) >> 6);
        }
    }

    const uint8_t *m_input;
    uint32_t m_inputWidth;
    const AxisTaps &m_across;
    size_t m_outputValues;               // values in one resized row
    std::vector<uint16_t> m_rows;        // one resized row per slot
    std::vector<uint32_t> m_rowInSlot;   // the input row each slot holds
};

} // namespace

BOOL ImgCopyBuffer(const uint8_t *source, uint32_t sourceRowBytes, uint32_t rows, uint32_t destinationRowBytes,
                   uint8_t *destination)
{
    if (!source || !destination)
        return FALSE;
    // Each row takes what both rows hold; the rest of a longer destination row
    // is left alone. Rows are moved in the order that lets one buffer be
    // repacked in place.
    const size_t rowBytes = std::min(sourceRowBytes, destinationRowBytes);
    const bool backwards = destinationRowBytes > sourceRowBytes;
    for (uint32_t i = 0; i < rows; ++i) {
        const size_t row = backwards ? rows - 1 - i : i;
        std::memmove(destination + row * destinationRowBytes, source + row * sourceRowBytes, rowBytes);
    }
    return TRUE;
}

BOOL ImgVertFlipBuf(uint8_t *buffer, uint32_t rowBytes, uint32_t rows)
{
    if (!buffer)
        return FALSE;
    for (size_t top = 0, bottom = rows; top + 1 < bottom; ++top, --bottom) {
        uint8_t *upper = buffer + top * rowBytes;
        std::swap_ranges(upper, upper + rowBytes, buffer + (bottom - 1) * rowBytes);
    }
    return TRUE;
}

BOOL ImgRGBToBGR(uint8_t *rgb, uint32_t width, uint32_t height)
{
    size_t bytes;
    if (!rgb || !imageBytes(width, height, bytes))
        return FALSE;
    for (size_t i = 0; i < bytes; i += 3)
        std::swap(rgb[i], rgb[i + 2]);
    return TRUE;
}

BOOL ImgFlipHorizontalRGB(uint8_t *rgb, uint32_t width, uint32_t height)
{
    size_t bytes;
    if (!rgb || !imageBytes(width, height, bytes))
        return FALSE;
    const size_t rowBytes = size_t(width) * 3;
    for (uint8_t *row = rgb; row < rgb + bytes; row += rowBytes)
        for (size_t left = 0, right = width - 1; left < right; ++left, --right)
            std::swap_ranges(row + left * 3, row + left * 3 + 3, row + right * 3);
    return TRUE;
}

// Rec. 601 luma: 0.299 red + 0.587 green + 0.114 blue, rounded.
BOOL ImgRGBToGrayScale24(uint8_t *rgb, uint32_t width, uint32_t height)
{
    size_t bytes;
    if (!rgb || !imageBytes(width, height, bytes))
        return FALSE;
    for (size_t i = 0; i < bytes; i += 3) {
        const uint8_t grey = uint8_t((299u * rgb[i] + 587u * rgb[i + 1] + 114u * rgb[i + 2] + 500) / 1000);
        rgb[i] = rgb[i + 1] = rgb[i + 2] = grey;
    }
    return TRUE;
}

// Code 0 turns a quarter clockwise, 1 a half turn, 2 a quarter
// anticlockwise; after 0 and 2 the image is height wide and width high.
BOOL ImgQuickRotateRGB(uint8_t *rgb, uint32_t width, uint32_t height, uint32_t code)
{
    size_t bytes;
    if (!rgb || !imageBytes(width, height, bytes) || code > 2)
        return FALSE;
    if (code == 1) {
        for (size_t front = 0, back = bytes - 3; front < back; front += 3, back -= 3)
            std::swap_ranges(rgb + front, rgb + front + 3, rgb + back);
        return TRUE;
    }
    const std::unique_ptr<uint8_t[]> copy = allocateBytes(bytes);
    if (!copy)
        return FALSE;
    std::memcpy(copy.get(), rgb, bytes);
    // The turned image is height wide; its pixel (x, y) comes from (y, height - 1 - x) turning clockwise
    // and from (width - 1 - y, x) turning anticlockwise.
    // In tiles, so that the column-wise reads stay in the cache.
    constexpr size_t Tile = 64;
    for (size_t tileY = 0; tileY < width; tileY += Tile) {
        for (size_t tileX = 0; tileX < height; tileX += Tile) {
            for (size_t y = tileY; y < std::min(tileY + Tile, size_t(width)); ++y) {
                uint8_t *out = rgb + (y * height + tileX) * 3;
                for (size_t x = tileX; x < std::min(tileX + Tile, size_t(height)); ++x, out += 3) {
                    const size_t sourceX = code == 0 ? y : width - 1 - y;
                    const size_t sourceY = code == 0 ? height - 1 - x : x;
                    copyPixel(&copy[(sourceY * width + sourceX) * 3], out);
                }
            }
        }
    }
    return TRUE;
}

// A positive angle (radians) turns clockwise as the image is seen, the way
// code 0 of the quick rotation does. The result is just large enough for the
// turned image; uncovered pixels take the background, and the turned image's
// edges blend into it.
HGLOBAL ImgRotateRGB(const uint8_t *rgb, uint32_t width, uint32_t height, double angle, COLORREF background,
                     uint32_t *newWidth, uint32_t *newHeight)
{
    ImgClearDims(newWidth, newHeight);
    size_t bytes;
    if (!rgb || !imageBytes(width, height, bytes) || !std::isfinite(angle))
        return nullptr;
    const double cosine = std::cos(angle), sine = std::sin(angle);
    // Sizes within a hair of a whole number are that number, so that a quarter turn keeps the size exactly.
    const auto wholePixels = [](double size) { return std::max(1.0, std::ceil(size - 1e-6)); };
    const double turnedWidth = wholePixels(std::abs(width * cosine) + std::abs(height * sine));
    const double turnedHeight = wholePixels(std::abs(width * sine) + std::abs(height * cosine));
    if (!ImgSizeIsAcceptable(uint64_t(turnedWidth), uint64_t(turnedHeight)))
        return nullptr;
    const uint32_t outWidth = uint32_t(turnedWidth), outHeight = uint32_t(turnedHeight);
    ImgRgbBlock block(outWidth, outHeight);
    if (block.isNull())
        return nullptr;

    const uint8_t fill[3] = {uint8_t(background), uint8_t(background >> 8), uint8_t(background >> 16)};
    const auto sample = [&](int64_t x, int64_t y) {
        return x < 0 || y < 0 || x >= int64_t(width) || y >= int64_t(height) ? fill
                                                                             : rgb + (size_t(y) * width + size_t(x)) * 3;
    };
    uint8_t *out = block.pixels();
    for (uint32_t y = 0; y < outHeight; ++y) {
        const double fromCentreY = y + 0.5 - outHeight / 2.0;
        for (uint32_t x = 0; x < outWidth; ++x, out += 3) {
            const double fromCentreX = x + 0.5 - outWidth / 2.0;
            // Turn the output pixel's centre back onto the input, in input pixel coordinates.
            const double sourceX = fromCentreX * cosine + fromCentreY * sine + width / 2.0 - 0.5;
            const double sourceY = -fromCentreX * sine + fromCentreY * cosine + height / 2.0 - 0.5;
            const double left = std::floor(sourceX), top = std::floor(sourceY);
            if (left < -1 || top < -1 || left > width || top > height) {
                copyPixel(fill, out);
                continue;
            }
            const double fx = sourceX - left, fy = sourceY - top;
            const int64_t ix = int64_t(left), iy = int64_t(top);
            const uint8_t *p00 = sample(ix, iy), *p10 = sample(ix + 1, iy);
            const uint8_t *p01 = sample(ix, iy + 1), *p11 = sample(ix + 1, iy + 1);
            for (int c = 0; c < 3; ++c) {
                const double upper = p00[c] + (p10[c] - p00[c]) * fx;
                const double lower = p01[c] + (p11[c] - p01[c]) * fx;
                out[c] = roundToByte(upper + (lower - upper) * fy);
            }
        }
    }
    if (newWidth)
        *newWidth = outWidth;
    if (newHeight)
        *newHeight = outHeight;
    return block.release();
}

// A blur close to a Gaussian one of about amount / 2 pixels' spread: three
// passes of a box of radius max(1, amount / 2) (at most 4096) each way.
// Amount 0 copies. input and output may be the same buffer.
BOOL ImgBlurRGB(const uint8_t *input, uint32_t width, uint32_t height, uint8_t *output, uint32_t amount)
{
    size_t bytes;
    if (!input || !output || !imageBytes(width, height, bytes))
        return FALSE;
    if (amount == 0) {
        std::memmove(output, input, bytes);
        return TRUE;
    }
    try {
        const uint32_t radius = std::clamp<uint32_t>(amount / 2, 1, MaxBlurRadius);
        const size_t rowBytes = size_t(width) * 3;
        std::vector<uint8_t> across(bytes), lineA(rowBytes), lineB(rowBytes);
        std::vector<uint32_t> sums(rowBytes);
        // Along the rows into across, leaving input alone until every row is done.
        for (size_t y = 0; y < height; ++y) {
            boxPass<3>(input + y * rowBytes, lineA.data(), width, 3, 3, radius, sums.data());
            boxPass<3>(lineA.data(), lineB.data(), width, 3, 3, radius, sums.data());
            boxPass<3>(lineB.data(), across.data() + y * rowBytes, width, 3, 3, radius, sums.data());
        }
        // Down the columns, a whole row of values at a time.
        boxPass(across.data(), output, height, rowBytes, rowBytes, radius, sums.data());
        boxPass(output, across.data(), height, rowBytes, rowBytes, radius, sums.data());
        boxPass(across.data(), output, height, rowBytes, rowBytes, radius, sums.data());
        return TRUE;
    } catch (const std::bad_alloc &) {
        return FALSE;
    }
}

// Unsharp masking: each pixel moves away from the mean of its 3 x 3
// neighbourhood (edge pixels standing for those beyond) by amount / 10 times
// its difference from it. Amount 0 copies. input and output may be the same
// buffer.
BOOL ImgSharpenRGB(const uint8_t *input, uint32_t width, uint32_t height, uint8_t *output, uint32_t amount)
{
    size_t bytes;
    if (!input || !output || !imageBytes(width, height, bytes))
        return FALSE;
    try {
        std::vector<uint8_t> copy;
        if (rangesOverlap(input, bytes, output, bytes)) {
            copy.assign(input, input + bytes);
            input = copy.data();
        }
        const size_t rowBytes = size_t(width) * 3;
        std::vector<int32_t> columnSums(rowBytes);   // each value plus those above and below it
        for (size_t y = 0; y < height; ++y) {
            const uint8_t *above = input + (y > 0 ? y - 1 : 0) * rowBytes;
            const uint8_t *row = input + y * rowBytes;
            const uint8_t *below = input + std::min<size_t>(y + 1, height - 1) * rowBytes;
            for (size_t i = 0; i < rowBytes; ++i)
                columnSums[i] = above[i] + row[i] + below[i];
            uint8_t *out = output + y * rowBytes;
            for (size_t i = 0; i < rowBytes; ++i) {
                const size_t left = i >= 3 ? i - 3 : i, right = i + 3 < rowBytes ? i + 3 : i;
                const int64_t sum = int64_t(columnSums[left]) + columnSums[i] + columnSums[right];
                const int64_t centre = row[i];
                const int64_t scaled = int64_t(amount) * (9 * centre - sum);   // 90 times the change
                const int64_t change = scaled >= 0 ? (scaled + 45) / 90 : -((-scaled + 45) / 90);
                out[i] = clampToByte(centre + change);
            }
        }
        return TRUE;
    } catch (const std::bad_alloc &) {
        return FALSE;
    }
}

// brightness and contrast run from -1 to 1 (values beyond are taken as the
// limit), 0 leaving the image as it is. Brightness adds that fraction of
// full scale (1 makes the image white, -1 black). Contrast then stretches
// the values away from mid grey by 1 / (1 - contrast) when positive (1
// leaves only black and white) and pulls them towards it by 1 + contrast when
// negative (-1 leaves only mid grey, 128).
BOOL ImgApplyBrightnessContrastToRGB(uint8_t *rgb, uint32_t width, uint32_t height, double brightness,
                                     double contrast)
{
    size_t bytes;
    if (!rgb || !imageBytes(width, height, bytes) || std::isnan(brightness) || std::isnan(contrast))
        return FALSE;
    brightness = std::clamp(brightness, -1.0, 1.0);
    contrast = std::clamp(contrast, -1.0, 1.0);
    uint8_t table[256];
    for (int value = 0; value < 256; ++value) {
        double level = value / 255.0 + brightness;
        if (contrast >= 1)
            level = level > 0.5 ? 1 : level < 0.5 ? 0 : 0.5;
        else
            level = (level - 0.5) * (contrast >= 0 ? 1 / (1 - contrast) : 1 + contrast) + 0.5;
        table[value] = roundToByte(level * 255);
    }
    for (size_t i = 0; i < bytes; ++i)
        rgb[i] = table[rgb[i]];
    return TRUE;
}

// Area averaging along an axis that shrinks, linear interpolation along one
// that grows, each axis on its own. input and output must not overlap.
BOOL ImgResizeRGB(const uint8_t *input, uint32_t inputWidth, uint32_t inputHeight, uint8_t *output,
                  uint32_t outputWidth, uint32_t outputHeight)
{
    size_t inputBytes, outputBytes;
    if (!input || !output || !imageBytes(inputWidth, inputHeight, inputBytes)
        || !imageBytes(outputWidth, outputHeight, outputBytes)
        || rangesOverlap(input, inputBytes, output, outputBytes))
        return FALSE;
    if (inputWidth == outputWidth && inputHeight == outputHeight) {
        std::memcpy(output, input, outputBytes);
        return TRUE;
    }
    try {
        const AxisTaps across = makeTaps(inputWidth, outputWidth);
        const AxisTaps down = makeTaps(inputHeight, outputHeight);
        ResizedRows rows(input, inputWidth, across);
        const size_t values = size_t(outputWidth) * 3;
        std::vector<uint32_t> sums(values);
        for (size_t y = 0; y < outputHeight; ++y) {
            std::fill(sums.begin(), sums.end(), 0);
            const int32_t *weight = &down.weights[down.begin[y]];
            for (uint32_t k = 0; k < down.count(y); ++k) {
                const uint16_t *row = rows.row(down.first[y] + k);
                const uint32_t w = uint32_t(weight[k]);
                for (size_t i = 0; i < values; ++i)
                    sums[i] += w * row[i];
            }
            uint8_t *out = output + y * values;
            for (size_t i = 0; i < values; ++i)
                out[i] = uint8_t((sums[i] + (1u << 21)) >> 22);
        }
        return TRUE;
    } catch (const std::bad_alloc &) {
        return FALSE;
    }
}
