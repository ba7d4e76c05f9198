// The floor for a folder build: decodes every JPEG of a folder with
// libjpeg-turbo at the smallest DCT scale that still gives at least twice the
// thumbnail size, on all cores, and nothing else. Given several folders, it
// decodes the files of them all in one pool: the floor of a batch run.
//     JpegDecodeLoop FOLDER [FOLDER...] [--threads N] [--size S]
// Prints "files F ms T".

#include <turbojpeg.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<unsigned char> readFile(const std::filesystem::path &path)
{
    std::vector<unsigned char> bytes(std::filesystem::file_size(path));
    std::ifstream file(path, std::ios::binary);
    file.read(reinterpret_cast<char *>(bytes.data()), std::streamsize(bytes.size()));
    return bytes;
}

// The smallest scale whose result is at least twice size in both directions.
tjscalingfactor reducedScale(int width, int height, int size)
{
    int count = 0;
    const tjscalingfactor *factors = tjGetScalingFactors(&count);
    tjscalingfactor best{1, 1};
    for (int i = 0; i < count; ++i) {
        const tjscalingfactor factor = factors[i];
        const int scaledWidth = TJSCALED(width, factor);
        const int scaledHeight = TJSCALED(height, factor);
        const bool largeEnough = scaledWidth >= std::min(width, 2 * size) && scaledHeight >= std::min(height, 2 * size);
        if (largeEnough && scaledWidth < TJSCALED(width, best))
            best = factor;
    }
    return best;
}

bool decode(tjhandle decompressor, const std::filesystem::path &path, int size, std::vector<unsigned char> &pixels)
{
    std::vector<unsigned char> jpeg = readFile(path);
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(decompressor, jpeg.data(), (unsigned long)jpeg.size(), &width, &height, &subsampling,
                            &colourspace)
        != 0)
        return false;
    const tjscalingfactor scale = reducedScale(width, height, size);
    const int scaledWidth = TJSCALED(width, scale);
    const int scaledHeight = TJSCALED(height, scale);
    pixels.resize(size_t(scaledWidth) * scaledHeight * 3);
    return tjDecompress2(decompressor, jpeg.data(), (unsigned long)jpeg.size(), pixels.data(), scaledWidth, 0,
                         scaledHeight, TJPF_RGB, 0)
           == 0;
}

} // namespace

int main(int argc, char **argv)
{
    int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    int size = 80;
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc)
            threads = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc)
            size = std::max(1, std::atoi(argv[++i]));
        else
            folders.push_back(argv[i]);
    }
    if (folders.empty()) {
        std::fprintf(stderr, "usage: JpegDecodeLoop FOLDER [FOLDER...] [--threads N] [--size S]\n");
        return 2;
    }
    std::vector<std::filesystem::path> files;
    for (const std::string &folder : folders) {
        for (const auto &entry : std::filesystem::directory_iterator(folder)) {
            const std::string extension = entry.path().extension().string();
            if (entry.is_regular_file() && (extension == ".jpg" || extension == ".JPG"))
                files.push_back(entry.path());
        }
    }

    const auto start = std::chrono::steady_clock::now();
    std::atomic<size_t> next{0};
    std::atomic<int> failed{0};
    std::vector<std::thread> pool;
    for (int thread = 0; thread < threads; ++thread) {
        pool.emplace_back([&] {
            tjhandle decompressor = tjInitDecompress();
            std::vector<unsigned char> pixels;
            for (size_t index = next++; index < files.size(); index = next++) {
                if (!decode(decompressor, files[index], size, pixels))
                    ++failed;
            }
            tjDestroy(decompressor);
        });
    }
    for (std::thread &thread : pool)
        thread.join();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::printf("files %zu failed %d ms %lld\n", files.size(), failed.load(), (long long)elapsed.count());
    return 0;
}
