#pragma once

// Helpers shared by the codec tests: test pictures, writing into memory,
// reading back from memory, and comparing pixels.

#include <lib/imaging/ImgLib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A decoded picture: top-down RGB, 3 bytes a pixel.
struct RgbImage
{
    uint32_t width = 0;
    uint32_t height = 0;
    Bytes rgb;
};

// A smooth picture with a different colour in each corner, so that flips,
// row order and channel order all show.
inline RgbImage GradientImage(uint32_t width, uint32_t height)
{
    RgbImage image{width, height, Bytes(size_t(width) * height * 3)};
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t *pixel = &image.rgb[(size_t(y) * width + x) * 3];
            pixel[0] = uint8_t(255 * x / std::max<uint32_t>(width - 1, 1));
            pixel[1] = uint8_t(255 * y / std::max<uint32_t>(height - 1, 1));
            pixel[2] = uint8_t(255 - pixel[0] / 2 - pixel[1] / 2);
        }
    }
    return image;
}

// Random pixels: what a lossless codec must keep exactly.
inline RgbImage NoiseImage(uint32_t width, uint32_t height, uint32_t seed = 1)
{
    RgbImage image{width, height, Bytes(size_t(width) * height * 3)};
    std::mt19937 random(seed);
    for (uint8_t &byte : image.rgb)
        byte = uint8_t(random());
    return image;
}

// A memory source over the bytes. An empty vector has no data pointer, and the
// memory source copies even zero bytes from its buffer, so an empty source is
// given an address of its own.
inline HIMGSRC OpenBytes(const Bytes &bytes)
{
    static const uint8_t nothing = 0;
    return ImgOpenMemorySource(bytes.empty() ? &nothing : bytes.data(), uint32_t(bytes.size()));
}

using Writer = std::function<uint32_t(HIMGDEST, const uint8_t *, uint32_t, uint32_t)>;
using Reader = std::function<HGLOBAL(HIMGSRC, uint32_t *, uint32_t *)>;
using DimensionQuery = std::function<BOOL(HIMGSRC, uint32_t *, uint32_t *, uint32_t *)>;

// Writes the image into a memory destination of capacity bytes; the answer
// is the writer's, the bytes what it wrote.
inline uint32_t WriteToMemory(const Writer &writer, const RgbImage &image, Bytes &bytes, size_t capacity)
{
    bytes.assign(capacity, 0);
    HIMGDEST destination = ImgOpenMemoryDest(bytes.data(), uint32_t(capacity));
    const uint32_t answer = writer(destination, image.rgb.data(), image.width, image.height);
    ImgCloseDest(destination);
    bytes.resize(answer);
    return answer;
}

inline Bytes Encode(const Writer &writer, const RgbImage &image)
{
    Bytes bytes;
    const size_t capacity = size_t(image.width) * image.height * 4 + (1 << 18);
    EXPECT_NE(WriteToMemory(writer, image, bytes, capacity), 0u);
    return bytes;
}

// The picture the reader makes of the bytes; nothing when it fails. Checks
// that a block comes with a size and that the block holds that size.
inline std::optional<RgbImage> Decode(const Reader &reader, const Bytes &bytes)
{
    HIMGSRC source = OpenBytes(bytes);
    uint32_t width = 0, height = 0;
    HGLOBAL block = reader(source, &width, &height);
    ImgCloseSource(source);
    if (!block)
        return std::nullopt;
    const size_t size = size_t(width) * height * 3;
    EXPECT_GT(width, 0u);
    EXPECT_GT(height, 0u);
    EXPECT_EQ(GlobalSize(block), size);
    const auto *rgb = static_cast<const uint8_t *>(GlobalLock(block));
    RgbImage image{width, height, Bytes(rgb, rgb + size)};
    GlobalFree(block);
    return image;
}

struct Dimensions
{
    bool answered = false;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bits = 0;
};

inline Dimensions QueryDimensions(const DimensionQuery &query, const Bytes &bytes)
{
    HIMGSRC source = OpenBytes(bytes);
    Dimensions dimensions;
    dimensions.answered = query(source, &dimensions.width, &dimensions.height, &dimensions.bits) != FALSE;
    ImgCloseSource(source);
    return dimensions;
}

// The largest difference of one channel between two pictures of one size.
inline int MaxChannelDifference(const RgbImage &a, const RgbImage &b)
{
    EXPECT_EQ(a.rgb.size(), b.rgb.size());
    int difference = 0;
    for (size_t i = 0; i < std::min(a.rgb.size(), b.rgb.size()); ++i)
        difference = std::max(difference, std::abs(int(a.rgb[i]) - int(b.rgb[i])));
    return difference;
}

inline double MeanChannelDifference(const RgbImage &a, const RgbImage &b)
{
    EXPECT_EQ(a.rgb.size(), b.rgb.size());
    const size_t count = std::min(a.rgb.size(), b.rgb.size());
    double sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    return count ? sum / double(count) : 0;
}

inline void PutBigEndian32(Bytes &bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = uint8_t(value >> (24 - 8 * i));
}

inline void PutLittleEndian16(Bytes &bytes, size_t offset, uint16_t value)
{
    bytes[offset] = uint8_t(value);
    bytes[offset + 1] = uint8_t(value >> 8);
}

inline void PutLittleEndian32(Bytes &bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = uint8_t(value >> (8 * i));
}

// Every cut of a valid file: the reader must answer null on each, and must
// not read past the end it is given (the sanitizer build checks that).
inline void ExpectEveryTruncationFails(const Reader &reader, const Bytes &good)
{
    ASSERT_TRUE(Decode(reader, good).has_value());
    for (size_t length = 0; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        // A copy of exactly the cut length, so a read past it is an overrun.
        const Bytes cut(good.begin(), good.begin() + std::ptrdiff_t(length));
        EXPECT_FALSE(Decode(reader, cut).has_value());
    }
}
