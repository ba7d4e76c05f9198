#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

// A top-down RGB picture the size of a photograph: smooth gradients with
// blocks of colour (little to code, like a sky) and, when noisy, sensor-like
// noise over every pixel (much to code, which the entropy decoder pays for at
// any scale). The same size always gives the same picture.
inline std::vector<uint8_t> Photograph(uint32_t width, uint32_t height, bool noisy = true)
{
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    std::mt19937 random(width * 31 + height);
    std::uniform_int_distribution<int> noise(noisy ? -12 : 0, noisy ? 12 : 0);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t *pixel = &rgb[(size_t(y) * width + x) * 3];
            const int base[3] = {int(255 * x / width), int(255 * y / height), int(128 + 100 * ((x / 97 + y / 61) % 2))};
            for (int c = 0; c < 3; ++c)
                pixel[c] = uint8_t(std::clamp(base[c] + noise(random), 0, 255));
        }
    }
    return rgb;
}
