// Thumbnail building on photograph-sized JPEG files that the benchmark writes
// itself (quality 90, gradients with blocks of colour and sensor-like noise):
//     BM_MakeThumbnail     one record built again and again, everything a
//                          builder does: format guess, reduced decode, the
//                          file's stamps, resample and sharpen, JPEG, statistics
//     BM_ReducedDecode     the bare reduced decode of the same file, for comparison
//     BM_ResampleRGB       the box filter alone, from a reduced decode's size
// The folder options are the defaults (80 pixels, quality resample, sharpness 8).
// Settings and the program folder go to a temporary folder unless
// ZILO_REGISTRY and ZILO_PROGRAM_FOLDER are set.

#include "BenchEnvironment.h"

#include "Photograph.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbBuild.h>
#include <Source/engine/ThumbCache.h>
#include <lib/imaging/ImgLib.h>
#include <platform/HostPath.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path s_folder;   // the photographs, made by main

fs::path photoFile(uint32_t width, uint32_t height)
{
    return s_folder / ("photo" + std::to_string(width) + "x" + std::to_string(height) + ".jpg");
}

void writePhoto(uint32_t width, uint32_t height)
{
    const std::vector<uint8_t> rgb = Photograph(width, height);
    std::vector<uint8_t> jpeg(rgb.size() + 65536);
    HIMGDEST destination = ImgOpenMemoryDest(jpeg.data(), uint32_t(jpeg.size()));
    jpeg.resize(ImgWriteRGBToJPG(destination, rgb.data(), width, height, 90, 0));
    ImgCloseDest(destination);
    std::ofstream(photoFile(width, height), std::ios::binary)
        .write(reinterpret_cast<const char *>(jpeg.data()), std::streamsize(jpeg.size()));
}

CPath windowsPathOf(const fs::path &host)
{
    return CPath(WindowsPathFromHost(host.string()).c_str());
}

void BM_MakeThumbnail(benchmark::State &state)
{
    const auto width = uint32_t(state.range(0)), height = uint32_t(state.range(1));
    auto *record = new CThumbBitmap(CThumbBitmap::FromBrowseFile, windowsPathOf(photoFile(width, height)));
    for (auto _ : state) {
        record->ReleaseData();
        record->ClaimForLoading();
        record->MakeThumbnail(nullptr);
    }
    if (record->GetState() != TThumbState::Loaded)
        state.SkipWithError("the build failed");
    state.SetItemsProcessed(state.iterations());
    state.counters["thumb_w"] = record->GetThumbnailSize().cx;
    state.counters["thumb_h"] = record->GetThumbnailSize().cy;
    state.counters["jpeg_B"] = double(record->GetMemorySize() - 256);
    record->Release();
    ThumbBitmapCache.Purge(true);
}

void BM_ReducedDecode(benchmark::State &state)
{
    const auto width = uint32_t(state.range(0)), height = uint32_t(state.range(1));
    const CSize wanted = CThumbBitmap::FitThumbnailSize(width, height, 80);
    const std::string path = windowsPathOf(photoFile(width, height)).c_str();
    uint32_t decodedWidth = 0, decodedHeight = 0, fullWidth = 0, fullHeight = 0;
    for (auto _ : state) {
        HIMGSRC source = ImgOpenFileSource(path.c_str());
        HGLOBAL block = ImgReadJPGToRGBReduced(source, uint32_t(wanted.cx), uint32_t(wanted.cy), &decodedWidth,
                                               &decodedHeight, &fullWidth, &fullHeight);
        ImgCloseSource(source);
        if (!block) {
            state.SkipWithError("decode failed");
            break;
        }
        GlobalFree(block);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["decoded_w"] = decodedWidth;
    state.counters["decoded_h"] = decodedHeight;
}

// Arguments: the reduced decode's size, the thumbnail's size.
void BM_ResampleRGB(benchmark::State &state)
{
    const int sourceWidth = int(state.range(0)), sourceHeight = int(state.range(1));
    const int width = int(state.range(2)), height = int(state.range(3));
    const std::vector<uint8_t> source = Photograph(uint32_t(sourceWidth), uint32_t(sourceHeight));
    std::vector<uint8_t> destination(size_t(width) * height * 3);
    for (auto _ : state) {
        ResampleRGB(source.data(), sourceWidth, sourceHeight, false, false, width * 3, height, width,
                    destination.data(), sourceWidth * 3);
        benchmark::DoNotOptimize(destination.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void photographSizes(benchmark::internal::Benchmark *benchmark)
{
    benchmark->ArgNames({"w", "h"})->Unit(benchmark::kMillisecond);
    benchmark->Args({2560, 1600});
    benchmark->Args({4000, 3000});
}

} // namespace

BENCHMARK(BM_MakeThumbnail)->Apply(photographSizes);
BENCHMARK(BM_ReducedDecode)->Apply(photographSizes);
// 1/8 decodes of the two photographs, to their 80-pixel thumbnails.
BENCHMARK(BM_ResampleRGB)
    ->ArgNames({"sw", "sh", "w", "h"})
    ->Args({320, 200, 80, 50})
    ->Args({500, 375, 80, 60})
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    const QTemporaryDir scratchFolder;
    const fs::path scratch = scratchFolder.path().toStdString();
    s_folder = scratch / "Photos";
    fs::create_directories(s_folder);
    PrepareBenchEnvironment(scratch);
    QApplication application(argc, argv);
    InitGlobals();
    InitImageLibrary();
    writePhoto(2560, 1600);
    writePhoto(4000, 3000);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    TFolderSpecificOptionsCache::SaveAll();
    FreeGlobals();
    return 0;
}
