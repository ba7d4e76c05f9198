#pragma once

#include <cstdint>
#include <utility>

// A rectangle by its edges; right and bottom lie just outside it, as Windows
// counts them.
struct CRect
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    CRect() = default;
    CRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }

    // Swaps the edges that are the wrong way round.
    void NormalizeRect()
    {
        if (right < left)
            std::swap(left, right);
        if (bottom < top)
            std::swap(top, bottom);
    }

    bool operator==(const CRect &other) const = default;
};

// A width and a height.
struct CSize
{
    int32_t cx = 0;
    int32_t cy = 0;

    CSize() = default;
    CSize(int32_t width, int32_t height) : cx(width), cy(height) {}

    bool operator==(const CSize &other) const = default;
};
