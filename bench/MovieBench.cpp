// A movie of the first N photographs of a folder (by name), made through the
// movie maker's frame writing with no window:
//     MovieBench FOLDER OUT.avi N [thumbs | images | compress CODEC]
// thumbs (the default): the records are built first, untimed, and the frames
//     are their thumbnails;
// images: the frames are the photographs, decoded at their own size;
// compress: the image frames are written untimed into a movie beside OUT,
//     which CODEC (FFmpeg's name, as the compression dialog lists it) then
//     compresses into OUT, timed.
// OUT is left behind. Prints as its last line "frames N ms T": the frames of
// OUT and the time taken. Settings and the program folder go to a scratch
// folder unless ZILO_REGISTRY and ZILO_PROGRAM_FOLDER are set.

#include "BenchEnvironment.h"
#include "BenchGlobals.h"

#include <Source/Glob.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbCache.h>
#include <Source/tools/MakeMovie.h>
#include <lib/AviFile.h>
#include <platform/HostPath.h>

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

int usage()
{
    std::fprintf(stderr, "usage: MovieBench FOLDER OUT.avi N [thumbs | images | compress CODEC]\n");
    return 2;
}

CPath windowsPathOf(const fs::path &host)
{
    return CPath(WindowsPathFromHost(fs::absolute(host).lexically_normal().string()).c_str());
}

// The first count JPEG files of folder by name, as records not built; one
// reference each, for the caller.
std::vector<CThumbBitmap *> firstPhotographs(const fs::path &folder, int count)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry &entry : fs::directory_iterator(folder)) {
        const std::string extension = entry.path().extension().string();
        if (entry.is_regular_file() && (extension == ".jpg" || extension == ".JPG"))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    files.resize(std::min(files.size(), size_t(count)));
    std::vector<CThumbBitmap *> records;
    for (const fs::path &file : files)
        records.push_back(new CThumbBitmap(CThumbBitmap::FromFile, windowsPathOf(file)));
    return records;
}

uint32_t framesOf(const CPath &movie)
{
    CAviFile avi;
    AviStreamInfo stream;
    if (avi.OpenRead(movie) != aviSuccess || avi.GetStreamInfo(&stream) != aviSuccess)
        return 0;
    return stream.length;
}

int run(const fs::path &folder, const CPath &out, int count, const std::string &mode, const std::string &codec)
{
    const std::vector<CThumbBitmap *> records = firstPhotographs(folder, count);
    if (int(records.size()) < count) {
        std::fprintf(stderr, "%s holds only %zu photographs\n", folder.c_str(), records.size());
        for (CThumbBitmap *record : records)
            record->Release();
        return 1;
    }
    if (mode == "thumbs") {
        for (CThumbBitmap *record : records) {
            record->ClaimForLoading();
            record->MakeThumbnail(nullptr);
        }
    }
    TAviResult result = aviSuccess;
    double milliseconds = 0;
    {
        const CMovieFrames frames(records);
        CAviFile avi;
        const MovieFrameSettings settings{.rate = 25, .useThumbnails = mode == "thumbs", .comment = "MovieBench"};
        if (mode == "compress") {
            const CPath source(CString(out + ".frames.avi"));
            result = WriteMovieFrames(avi, frames, source, nullptr, settings, 1, 0);
            AviCompressOptions options;
            options.codec = CString(codec.c_str());
            const Clock::time_point start = Clock::now();
            if (result == aviSuccess)
                result = avi.Compress(source, out, &options, nullptr);
            milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            fs::remove(HostPathFromWindows(source.c_str()));
        } else {
            const Clock::time_point start = Clock::now();
            result = WriteMovieFrames(avi, frames, out, nullptr, settings, 1, 0);
            milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        }
    }
    for (CThumbBitmap *record : records)
        record->Release();
    if (result != aviSuccess) {
        std::fprintf(stderr, "%s\n", CAviFile::GetErrorMessage(result));
        return 1;
    }
    std::printf("frames %u ms %.1f\n", framesOf(out), milliseconds);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4)
        return usage();
    const std::string mode = argc > 4 ? argv[4] : "thumbs";
    const bool compress = mode == "compress";
    if ((compress && argc != 6) || (!compress && argc > 5) || (mode != "thumbs" && mode != "images" && !compress))
        return usage();
    const int count = std::atoi(argv[3]);
    if (count < 1)
        return usage();
    const QTemporaryDir scratchFolder;
    PrepareBenchEnvironment(scratchFolder.path().toStdString());
    QApplication application(argc, argv);
    const TBenchGlobals globals;
    return run(argv[1], windowsPathOf(argv[2]), count, mode, compress ? argv[5] : "");
}
