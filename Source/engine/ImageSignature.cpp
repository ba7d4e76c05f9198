#include "ImageSignature.h"

#include "ThumbBitmap.h"
#include "ThumbBuild.h"

#include <lib/imaging/Bitmap.h>

#include <algorithm>
#include <bit>
#include <utility>

namespace {

int luminance(const uint8_t *rgb)
{
    return int(0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2]);
}

// Bit 7 for the first pair of pixels, bit 0 for the last.
uint8_t gradientByte(const uint8_t *row)
{
    uint8_t bits = 0;
    int previous = luminance(row);
    for (int x = 1; x < CImageSignature::PixelsPerRow; ++x) {
        const int current = luminance(row + x * 3);
        bits = uint8_t(bits << 1 | (current > previous ? 1 : 0));
        previous = current;
    }
    return bits;
}

} // namespace

CImageSignature::CImageSignature(std::vector<uint8_t> rows) : m_rows(std::move(rows))
{
}

CImageSignature::~CImageSignature() = default;

std::unique_ptr<CImageSignature> CImageSignature::FromBitmap(const CBitmap &bitmap)
{
    // The bitmap's own size: a thumbnail may decode smaller than its record says.
    const int32_t width = bitmap.Width();
    const int32_t height = bitmap.Height();
    if (bitmap.IsEmpty() || width <= 0 || height <= 0)
        return nullptr;
    const int32_t rowCount = int32_t(std::max<int64_t>(int64_t(height) * PixelsPerRow / width, 1));
    constexpr int RowBytes = PixelsPerRow * 3;
    std::vector<uint8_t> resampled(size_t(rowCount) * RowBytes);
    // The bitmap's rows are bottom-up blue, green, red: swapped and flipped to
    // top-down red, green, blue.
    ResampleRGB(bitmap.GetBits(), width, height, true, true, RowBytes, rowCount, PixelsPerRow, resampled.data(),
                CBitmap::GetBytesNextLine(width, 24));
    std::vector<uint8_t> rows(static_cast<size_t>(rowCount));
    for (int32_t row = 0; row < rowCount; ++row)
        rows[size_t(row)] = gradientByte(&resampled[size_t(row) * RowBytes]);
    return std::make_unique<CImageSignature>(std::move(rows));
}

bool CImageSignature::IsSimilar(const CImageSignature *other, int tolerance) const
{
    if (!other)
        return false;
    const size_t compared = std::min(m_rows.size(), other->m_rows.size());
    if (compared == 0)
        return false;
    int64_t differing = 0;
    for (size_t row = 0; row < compared; ++row)
        differing += std::popcount(unsigned(m_rows[row] ^ other->m_rows[row]));
    return differing * 100 / int64_t(compared * 8) <= tolerance;
}

std::shared_ptr<const CImageSignature> CThumbBitmap::GetSignature()
{
    CSingleLock lock(m_lock);
    if (m_state.load() != TThumbState::Loaded)
        return nullptr;
    if (!m_signature) {
        if (!m_bitmap)
            m_bitmap = decodeBitmap();
        if (m_bitmap)
            m_signature = CImageSignature::FromBitmap(m_bitmap->Bitmap());
    }
    return m_signature;
}
