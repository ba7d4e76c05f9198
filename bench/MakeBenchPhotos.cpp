// Writes a folder of test photographs for the folder benchmarks:
//     MakeBenchPhotos FOLDER COUNT [WIDTHxHEIGHT]
// JPEG quality 90, alternating 2560x1600 and 4000x3000 (or all of the size
// given, for a folder that is quick to make) and, for each size, 4:4:4 and
// 4:2:0 chroma: smooth gradients and large soft shapes (sky, walls)
// under sensor-like noise, so that the entropy decoder has as much to do as on
// real photographs. Files are "photo00000.jpg" and up; existing ones are kept.

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

struct Variant
{
    int width;
    int height;
    int subsampling;
};

const Variant Variants[] = {
    {2560, 1600, TJSAMP_444},
    {2560, 1600, TJSAMP_420},
    {4000, 3000, TJSAMP_444},
    {4000, 3000, TJSAMP_420},
};

std::vector<unsigned char> photograph(int width, int height, uint32_t seed)
{
    std::vector<unsigned char> rgb(size_t(width) * height * 3);
    std::minstd_rand random(seed);
    std::normal_distribution<float> noise(0.0f, 6.0f);
    const float cx = float(random() % 1000) / 1000.0f * float(width);
    const float cy = float(random() % 1000) / 1000.0f * float(height);
    const float radius = float(std::min(width, height)) * 0.35f;
    const float tint = float(random() % 120);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float sky = 255.0f * float(y) / float(height);
            const float distance = std::hypot(float(x) - cx, float(y) - cy);
            const float blob = distance < radius ? 90.0f * (1.0f - distance / radius) : 0.0f;
            const float base[3] = {60 + tint + blob, 90 + 0.5f * sky, 255 - sky * 0.7f + blob * 0.3f};
            unsigned char *pixel = &rgb[(size_t(y) * width + x) * 3];
            for (int c = 0; c < 3; ++c)
                pixel[c] = (unsigned char)std::clamp(int(base[c] + noise(random)), 0, 255);
        }
    }
    return rgb;
}

bool writeJpeg(const std::filesystem::path &path, const Variant &variant, uint32_t seed)
{
    const std::vector<unsigned char> rgb = photograph(variant.width, variant.height, seed);
    tjhandle compressor = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    const bool compressed = compressor
                            && tjCompress2(compressor, rgb.data(), variant.width, 0, variant.height, TJPF_RGB, &jpeg,
                                           &size, variant.subsampling, 90, TJFLAG_ACCURATEDCT)
                                   == 0;
    bool written = false;
    if (compressed) {
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char *>(jpeg), std::streamsize(size));
        written = bool(file);
    }
    tjFree(jpeg);
    if (compressor)
        tjDestroy(compressor);
    return written;
}

} // namespace

int main(int argc, char **argv)
{
    int width = 0;
    int height = 0;
    const bool sized = argc == 4 && std::sscanf(argv[3], "%dx%d", &width, &height) == 2 && width >= 16
                       && height >= 16 && width <= 8000 && height <= 8000;
    if (argc != 3 && !sized) {
        std::fprintf(stderr, "usage: MakeBenchPhotos FOLDER COUNT [WIDTHxHEIGHT]\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const int count = std::atoi(argv[2]);
    std::filesystem::create_directories(folder);
    for (int index = 0; index < count; ++index) {
        char name[32];
        std::snprintf(name, sizeof name, "photo%05d.jpg", index);
        const std::filesystem::path path = folder / name;
        if (std::filesystem::exists(path))
            continue;
        const Variant variant = sized ? Variant{width, height, Variants[index % 2].subsampling} : Variants[index % 4];
        if (!writeJpeg(path, variant, uint32_t(index + 1))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
