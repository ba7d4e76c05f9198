// A thumbnail box as a browse window uses it, timed offscreen:
//     ThumbBoxBench PHOTO_FOLDER
// PHOTO_FOLDER holds photographs (MakeBenchPhotos makes them). The first 200
// JPEG files by name are built into 80-pixel thumbnails by the engine's own
// builder on four threads, and the boxes' records take those JPEG bytes in
// turn. Each box record is a name of its own in a scratch folder, a symbolic
// link to its photograph, made with the photograph's handler (its size, time
// and dimensions) and loaded with the thumbnail's bytes, as a browse file's
// reopen leaves it.
//
// It prints one line per figure, with its goal where it has one. The floor:
// one thumbnail decoded the way a record decodes it on first paint, into
// memory just freed and into memory not touched before (as painting keeps
// what it decodes). Then for boxes of 10,000 and 50,000 thumbnails, 1600 x
// 1000 and shown:
// - adding every thumbnail and laying them out;
// - the 50,000 box: the heap its thumbnails take beyond their records,
//   malloc's bytes in use (small and mapped blocks) before and after the
//   adding, which unlike the resident size does not hide what earlier frees
//   left for reuse;
// - painting the first page with its thumbnails decoded and undecoded, and a
//   pixel that meets no thumbnail (the search alone), each the median of
//   several paints;
// - scrolling through the whole box a page at a time, first with nothing
//   below the first page decoded, then again: the slowest and median frame;
// - select all, invert, and a rubber band across 2,000 thumbnails (10
//   columns of 200 rows from the top), each with the owner's count of
//   SelectionChanged;
// - deleting every thumbnail.
// Painting is Qt's own for a real window, through the window's backing store:
// a full page is a repaint() of the box's inner panel; a scroll or selection
// frame is the change, then the paints that the event loop would deliver next
// (a bar's position change paints at once), and the page paints are counted.
// Settings and the program folder go to the scratch folder unless
// ZILO_REGISTRY and ZILO_PROGRAM_FOLDER are set.

#include "BenchEnvironment.h"

#include <Source/Glob.h>
#include <Source/engine/WindowHooks.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/ThumbCache.h>
#include <Source/engine/Thumbnail.h>
#include <platform/HostPath.h>

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QTemporaryDir>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t MaxPhotos = 200;
constexpr int BuilderThreads = 4;
constexpr int BoxWidth = 1600;
constexpr int BoxHeight = 1000;
constexpr int PagePaints = 9;       // a page's figure is the median of these
constexpr size_t FloorDecodes = 2000;
constexpr int BandColumns = 10;     // the rubber band: 10 columns of 200 rows
constexpr int BandRows = 200;

using Clock = std::chrono::steady_clock;

template <typename Work>
double millisecondsOf(Work &&work)
{
    const Clock::time_point start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

CPath windowsPathOf(const fs::path &host)
{
    return CPath(WindowsPathFromHost(host.string()).c_str());
}

// The JPEG files of folder, by name, at most MaxPhotos.
std::vector<fs::path> photoFiles(const fs::path &folder)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry &entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().extension() == ".jpg")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (files.size() > MaxPhotos)
        files.resize(MaxPhotos);
    return files;
}

// Records of files, built by the engine's builder on BuilderThreads threads;
// one reference each, for the caller. Those that failed are left out.
std::vector<CThumbBitmap *> buildThumbnails(const std::vector<fs::path> &files)
{
    std::vector<CThumbBitmap *> records;
    for (const fs::path &file : files)
        records.push_back(new CThumbBitmap(CThumbBitmap::FromFile, windowsPathOf(file)));
    std::atomic<size_t> next{0};
    std::vector<std::thread> builders;
    for (int thread = 0; thread < BuilderThreads; ++thread) {
        builders.emplace_back([&] {
            InitImageLibrary();
            for (size_t index = next++; index < records.size(); index = next++)
                if (records[index]->ClaimForLoading())
                    records[index]->MakeThumbnail(nullptr);
        });
    }
    for (std::thread &builder : builders)
        builder.join();
    std::erase_if(records, [](CThumbBitmap *record) {
        const bool failed = record->GetState() != TThumbState::Loaded;
        if (failed)
            record->Release();
        return failed;
    });
    return records;
}

// The thumbnail's JPEG bytes, by way of the file that the record writes.
std::vector<uint8_t> jpegBytesOf(const CThumbBitmap &record, const fs::path &scratchFile)
{
    if (!record.SaveJpegFile(windowsPathOf(scratchFile)))
        return {};
    std::ifstream file(scratchFile, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A built thumbnail that box records are made from.
struct TSource
{
    fs::path photo;
    TImageHandler handler;
    std::vector<uint8_t> jpeg;
};

// count loaded records in folder, each a link to source (index modulo the
// sources) under a name of its own; one reference each, for the caller.
std::vector<CThumbBitmap *> makeBoxRecords(const std::vector<TSource> &sources, const fs::path &folder, int count)
{
    fs::create_directories(folder);
    const CPath windowsFolder = windowsPathOf(folder);
    std::vector<CThumbBitmap *> records;
    records.reserve(size_t(count));
    for (int index = 0; index < count; ++index) {
        const TSource &source = sources[size_t(index) % sources.size()];
        const std::string name = "img" + std::to_string(100000 + index) + ".jpg";
        fs::create_symlink(source.photo, folder / name);
        TImageHandler handler = source.handler;
        handler.SetPath(windowsFolder.AppendFileName(CPath(name.c_str())));
        auto *record = new CThumbBitmap(handler);
        record->ClaimForLoading();
        record->EndLoading(TThumbState::Loaded, source.jpeg);
        records.push_back(record);
    }
    return records;
}

// The box's owner, as a browse window of folder: counts the selection changes
// it hears of.
class TBenchOwner : public ThumbBoxOwner
{
public:
    explicit TBenchOwner(const CPath &folder) : m_folder(folder) {}

    CPath Folder() const override { return m_folder; }
    void SelectionChanged() override { ++selectionChanges; }

    int selectionChanges = 0;

private:
    CPath m_folder;
};

void printFigure(const std::string &what, double milliseconds, double goal, std::string_view extra = {})
{
    std::printf("%s: %.2f ms (goal < %g)%s%.*s\n", what.c_str(), milliseconds, goal, extra.empty() ? "" : " ",
                int(extra.size()), extra.data());
}

// The heap in use, small blocks and mapped ones, in bytes.
long long heapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return (long long)(info.uordblks + info.hblkhd);
}

// The floor of an undecoded page: one thumbnail decoded the way a record
// decodes it on first paint, the mean of FloorDecodes records' decodes. Once
// each dropped at once, so that the next decodes into the memory it freed;
// once kept, as painting keeps them, in memory not touched before.
void printDecodeFloor(const std::vector<CThumbBitmap *> &records)
{
    const auto decodeEach = [&](size_t first, bool dropped) {
        return millisecondsOf([&] {
            for (size_t index = first; index < first + FloorDecodes; ++index) {
                records[index]->GetBitmap()->Release();
                if (dropped)
                    records[index]->ReleaseBitmap();
            }
        });
    };
    const double reused = decodeEach(0, true);
    const double kept = decodeEach(FloorDecodes, false);
    for (CThumbBitmap *record : records)
        record->ReleaseBitmap();
    std::printf("decode one thumbnail: %.1f us, kept: %.1f us\n", reused * 1000 / FloorDecodes,
                kept * 1000 / FloorDecodes);
}

// Counts the paint events of a widget.
class TPaintCounter : public QObject
{
public:
    explicit TPaintCounter(QWidget *widget) { widget->installEventFilter(this); }

    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

class TBoxBench
{
public:
    TBoxBench(const CPath &folder, std::vector<CThumbBitmap *> records)
        : m_owner(folder), m_records(std::move(records)), m_box(&m_owner)
    {
        m_box.resize(BoxWidth, BoxHeight);
        m_box.show();   // a hidden widget hears of its size only when shown
        QApplication::processEvents();   // the window is exposed: repaint() paints
        m_box.ResetLayout();
    }

    void run(bool measureMemory)
    {
        for (CThumbBitmap *record : m_records)
            record->ReleaseBitmap();
        addAndLayOut(measureMemory);
        paintFirstPage();
        scrollThrough("scroll (undecoded)");
        scrollThrough("scroll again (decoded)");
        select();
        deleteAll();
    }

private:
    std::string count() const { return std::to_string(m_records.size()); }

    void addAndLayOut(bool measureMemory)
    {
        const long long heapBefore = heapBytes();
        const double adding = millisecondsOf([&] {
            for (CThumbBitmap *record : m_records)
                m_box.AddThumbnail(record);
        });
        const long long heapGrowth = heapBytes() - heapBefore;
        const double layingOut = millisecondsOf([&] { m_box.Relayout(); });
        char parts[64];
        std::snprintf(parts, sizeof parts, "[add %.2f, relayout %.2f]", adding, layingOut);
        printFigure("add+layout " + count(), adding + layingOut, m_records.size() * 0.003, parts);
        if (!measureMemory)
            return;
        std::printf("memory per thumbnail %s: %lld bytes (goal < 200)\n", count().c_str(),
                    heapGrowth / (long long)m_records.size());
    }

    std::vector<CThumbBitmap *> recordsOnPage() const
    {
        std::vector<CThumbBitmap *> records;
        for (int index = 0; index < m_box.Count(); ++index) {
            TThumbnail *thumbnail = m_box.Thumbnail(index);
            if (m_box.ThumbnailRect(thumbnail).intersects(m_box.Client()->rect()))
                records.push_back(thumbnail->GetThumbBitmap());
        }
        return records;
    }

    void paintPage() { m_box.Client()->repaint(); }
    // What the event loop paints next: whatever a change left dirty. A bar's
    // position change paints at once, the page with it.
    static void paintPending() { QApplication::sendPostedEvents(); }

    void paintFirstPage()
    {
        paintPage();   // fonts and the backing store warm up
        const std::vector<CThumbBitmap *> onPage = recordsOnPage();
        std::vector<double> undecoded, decoded;
        for (int paint = 0; paint < PagePaints; ++paint) {
            for (CThumbBitmap *record : onPage)
                record->ReleaseBitmap();
            undecoded.push_back(millisecondsOf([&] { paintPage(); }));
            decoded.push_back(millisecondsOf([&] { paintPage(); }));
        }
        const auto decodedCount = std::count_if(onPage.begin(), onPage.end(),
                                                [](const CThumbBitmap *record) { return record->HasBitmap(); });
        const std::string items = "[" + std::to_string(onPage.size()) + " thumbnails on the page, "
                                  + std::to_string(decodedCount) + " decoded]";
        printFigure("page decoded " + count(), median(decoded), 4, items);
        printFigure("page undecoded " + count(), median(undecoded), 30, items);
        // The corner pixel lies in the spacing: a paint that meets no
        // thumbnail, what is left is the search for those it meets.
        std::vector<double> empty;
        for (int paint = 0; paint < PagePaints; ++paint)
            empty.push_back(millisecondsOf([&] { m_box.Client()->repaint(0, 0, 1, 1); }));
        std::printf("paint meeting no thumbnail %s: %.2f ms (no goal)\n", count().c_str(), median(empty));
    }

    // From the top to the bottom a page at a time, each frame a position
    // change and the paint of the page it shows.
    void scrollThrough(const char *what)
    {
        TMyNewScrollBar *bar = m_box.VertScrollBar();
        bar->SetPosition(0);
        paintPending();
        std::vector<double> frames;
        const int paintsBefore = m_clientPaints.count;
        while (bar->Position() < bar->Range() - bar->Page()) {
            const int position = bar->Position() + bar->Page();
            frames.push_back(millisecondsOf([&] {
                bar->SetPosition(position);
                paintPending();
            }));
        }
        char extra[96];
        std::snprintf(extra, sizeof extra, "[median %.2f ms, %zu frames, %.2f page paints a frame]", median(frames),
                      frames.size(), double(m_clientPaints.count - paintsBefore) / double(frames.size()));
        printFigure(std::string(what) + " " + count() + " slowest frame", *std::max_element(frames.begin(), frames.end()),
                    16, extra);
    }

    // One selection change and the repaint that shows it, timed together;
    // the owner's count of SelectionChanged and the box's selected count go
    // beside it.
    template <typename Change>
    void selectionFrame(const std::string &what, Change &&change)
    {
        m_owner.selectionChanges = 0;
        const int paintsBefore = m_clientPaints.count;
        double calling = 0;
        const double frame = millisecondsOf([&] {
            calling = millisecondsOf(change);
            paintPending();
        });
        char extra[128];
        std::snprintf(extra, sizeof extra, "[call %.2f ms, %d page paints, SelectionChanged %d, selected %d]", calling,
                      m_clientPaints.count - paintsBefore, m_owner.selectionChanges, m_box.SelectedCount());
        printFigure(what + " " + count(), frame, 16, extra);
    }

    // The content rectangle of the first BandColumns thumbnails of the first
    // BandRows rows, which a rubber band would cover.
    QRect bandRect() const
    {
        int columns = 1;
        while (m_box.Thumbnail(columns)->BoundsRect().top() == m_box.Thumbnail(0)->BoundsRect().top())
            ++columns;
        const int last = (BandRows - 1) * columns + BandColumns - 1;
        return m_box.Thumbnail(0)->BoundsRect().united(m_box.Thumbnail(last)->BoundsRect());
    }

    void select()
    {
        m_box.VertScrollBar()->SetPosition(0);
        paintPending();
        selectionFrame("select all", [&] { m_box.ChangeSelection(TThumbBox::SelectAll); });
        selectionFrame("invert", [&] { m_box.ChangeSelection(TThumbBox::InvertSelection); });
        const QRect band = bandRect();
        selectionFrame("rubber band", [&] { m_box.SelectInRect(band, false); });
    }

    void deleteAll()
    {
        const double deleting = millisecondsOf([&] { m_box.DeleteAllThumbnails(); });
        std::printf("delete all %s: %.2f ms (no goal)\n", count().c_str(), deleting);
    }

    TBenchOwner m_owner;
    std::vector<CThumbBitmap *> m_records;   // the caller's references
    TThumbBox m_box;
    TPaintCounter m_clientPaints{m_box.Client()};
};

int usage()
{
    std::fprintf(stderr, "usage: ThumbBoxBench PHOTO_FOLDER\n");
    return 2;
}

int run(const fs::path &photoFolder, const fs::path &scratch)
{
    const std::vector<fs::path> files = photoFiles(photoFolder);
    std::vector<CThumbBitmap *> built = buildThumbnails(files);
    if (built.empty()) {
        std::fprintf(stderr, "%s: no photograph could be built into a thumbnail\n", photoFolder.c_str());
        return 1;
    }
    std::printf("thumbnails built from %zu photographs (%zu failed)\n", built.size(), files.size() - built.size());

    std::vector<TSource> sources;
    for (CThumbBitmap *record : built) {
        sources.push_back({HostPathFromWindows(record->GetFullPath().c_str()), record->GetHandler(),
                           jpegBytesOf(*record, scratch / "thumbnail.jpg")});
        if (sources.back().jpeg.empty()) {
            std::fprintf(stderr, "%s: the thumbnail's bytes could not be read back\n", record->GetFullPath().c_str());
            return 1;
        }
    }
    const fs::path boxFolder = scratch / "Box";
    std::vector<CThumbBitmap *> records = makeBoxRecords(sources, boxFolder, 50000);
    printDecodeFloor(records);
    const CPath folder = windowsPathOf(boxFolder);
    TBoxBench(folder, std::vector<CThumbBitmap *>(records.begin(), records.begin() + 10000)).run(false);
    TBoxBench(folder, records).run(true);

    for (CThumbBitmap *record : records)
        record->Release();
    for (CThumbBitmap *record : built)
        record->Release();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2)
        return usage();
    const QTemporaryDir scratchFolder;
    const fs::path scratch = scratchFolder.path().toStdString();
    PrepareBenchEnvironment(scratch);
    QApplication application(argc, argv);
    InitGlobals();
    InitImageLibrary();
    const int status = run(fs::absolute(argv[1]), scratch);
    ThumbBitmapCache.Purge(true);
    TFolderSpecificOptionsCache::SaveAll();
    TMemoList::FreeAll();
    FreeGlobals();
    return status;
}
