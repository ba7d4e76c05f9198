// Decode throughput of the imaging library on photograph-sized pictures made
// in memory, in images per second: full and reduced JPEG decoding and PNG
// decoding. Each size comes as smooth gradients with blocks of colour (little
// to code, like a sky) and as the same with sensor-like noise over every pixel
// (much to code, which the entropy decoder pays for at any scale).

#include "Photograph.h"

#include <lib/imaging/ImgLib.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

enum class Format { Jpeg, Png };

Bytes encode(Format format, uint32_t width, uint32_t height, bool noisy)
{
    const std::vector<uint8_t> rgb = Photograph(width, height, noisy);
    Bytes bytes(size_t(width) * height * 4 + 65536);
    HIMGDEST destination = ImgOpenMemoryDest(bytes.data(), uint32_t(bytes.size()));
    const uint32_t size = format == Format::Jpeg ? ImgWriteRGBToJPG(destination, rgb.data(), width, height, 90, 0)
                                                 : ImgWriteRGBToPNG(destination, rgb.data(), width, height, 0, 0);
    ImgCloseDest(destination);
    bytes.resize(size);
    return bytes;
}

// Each file is made once, on first use.
const Bytes &fileFor(Format format, const benchmark::State &state)
{
    const auto width = uint32_t(state.range(0)), height = uint32_t(state.range(1));
    const bool noisy = state.range(2) != 0;
    static std::map<std::tuple<int, uint32_t, uint32_t, bool>, Bytes> files;
    const auto key = std::tuple{int(format), width, height, noisy};
    auto found = files.find(key);
    if (found == files.end())
        found = files.emplace(key, encode(format, width, height, noisy)).first;
    return found->second;
}

void report(benchmark::State &state, const Bytes &file, uint32_t width, uint32_t height)
{
    state.SetItemsProcessed(state.iterations());
    state.counters["file_kB"] = double(file.size()) / 1000;
    state.counters["decoded_w"] = width;
    state.counters["decoded_h"] = height;
}

void decodeFull(benchmark::State &state, Format format)
{
    const Bytes &file = fileFor(format, state);
    ImgInitialize(0);
    uint32_t decodedWidth = 0, decodedHeight = 0;
    for (auto _ : state) {
        HIMGSRC source = ImgOpenMemorySource(file.data(), uint32_t(file.size()));
        HGLOBAL block = format == Format::Jpeg ? ImgReadJPGToRGB(source, &decodedWidth, &decodedHeight)
                                               : ImgReadPNGToRGB(source, &decodedWidth, &decodedHeight);
        ImgCloseSource(source);
        if (!block) {
            state.SkipWithError("decode failed");
            break;
        }
        GlobalFree(block);
    }
    report(state, file, decodedWidth, decodedHeight);
}

void BM_JpegFull(benchmark::State &state)
{
    decodeFull(state, Format::Jpeg);
}

void BM_PngFull(benchmark::State &state)
{
    decodeFull(state, Format::Png);
}

// The thumbnail builder's decode: a 160 x 120 thumbnail wanted.
void BM_JpegReduced(benchmark::State &state)
{
    const Bytes &file = fileFor(Format::Jpeg, state);
    ImgInitialize(0);
    uint32_t decodedWidth = 0, decodedHeight = 0, fullWidth = 0, fullHeight = 0;
    for (auto _ : state) {
        HIMGSRC source = ImgOpenMemorySource(file.data(), uint32_t(file.size()));
        HGLOBAL block = ImgReadJPGToRGBReduced(source, 160, 120, &decodedWidth, &decodedHeight, &fullWidth, &fullHeight);
        ImgCloseSource(source);
        if (!block) {
            state.SkipWithError("decode failed");
            break;
        }
        GlobalFree(block);
    }
    report(state, file, decodedWidth, decodedHeight);
}

} // namespace

// Arguments: width, height, noisy.
void photographSizes(benchmark::internal::Benchmark *benchmark)
{
    benchmark->ArgNames({"w", "h", "noisy"})->Unit(benchmark::kMillisecond);
    for (int noisy : {0, 1}) {
        benchmark->Args({2560, 1600, noisy});
        benchmark->Args({4000, 3000, noisy});
    }
}

BENCHMARK(BM_JpegFull)->Apply(photographSizes);
BENCHMARK(BM_JpegReduced)->Apply(photographSizes);
BENCHMARK(BM_PngFull)->Apply(photographSizes);

BENCHMARK_MAIN();
