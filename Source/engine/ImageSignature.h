#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class CBitmap;

// A thumbnail's brightness-gradient fingerprint for finding images that look
// alike: the thumbnail resampled to 9 pixels a row, and one byte a row whose
// bits, from the most significant, tell whether each pixel is brighter than
// the one to its left. Never changed once made; any thread.
class CImageSignature
{
public:
    static constexpr int PixelsPerRow = 9;

    // rows: one byte a row, the top row first.
    explicit CImageSignature(std::vector<uint8_t> rows);
    virtual ~CImageSignature();

    // The signature of a decoded thumbnail, with its own height x 9 / width
    // rows (at least 1); null for an empty bitmap.
    static std::unique_ptr<CImageSignature> FromBitmap(const CBitmap &bitmap);

    int32_t GetRowCount() const { return int32_t(m_rows.size()); }
    const std::vector<uint8_t> &GetRows() const { return m_rows; }
    // Whether the bits that differ over the rows both have are at most
    // tolerance percent of them. Not similar to no signature, or when either
    // has no rows.
    bool IsSimilar(const CImageSignature *other, int tolerance) const;
    // Bytes, as the cache's statistics count them.
    int64_t GetMemorySize() const { return GetRowCount() + 12; }

private:
    std::vector<uint8_t> m_rows;
};
