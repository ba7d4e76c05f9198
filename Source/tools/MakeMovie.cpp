#include "MakeMovie.h"

#include "MovieForm.h"
#include "MovieProgressForm.h"

#include <Source/Glob.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/ZiloOptions.h>
#include <Source/windows/ToolHost.h>
#include <lib/controls/ProgressPanel.h>
#include <lib/imaging/Bitmap.h>
#include <lib/imaging/ImgLib.h>
#include <lib/imaging/Picture.h>
#include <platform/Files.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <future>

CMovieFrames::CMovieFrames(const std::vector<TThumbnail *> &thumbnails)
{
    for (const TThumbnail *thumbnail : thumbnails) {
        if (CThumbBitmap *record = thumbnail ? thumbnail->GetThumbBitmap() : nullptr) {
            record->AddRef();
            m_records.push_back(record);
        }
    }
}

CMovieFrames::CMovieFrames(const std::vector<CThumbBitmap *> &records)
{
    for (CThumbBitmap *record : records) {
        record->AddRef();
        m_records.push_back(record);
    }
}

CMovieFrames::~CMovieFrames()
{
    for (CThumbBitmap *record : m_records)
        record->Release();
}

namespace {

// The size of an image of size from fitted into box, keeping its shape.
CSize fittedSize(CSize from, CSize box)
{
    const double scale = std::min(double(box.cx) / from.cx, double(box.cy) / from.cy);
    return CSize(std::clamp(int(std::lround(from.cx * scale)), 1, int(box.cx)),
                 std::clamp(int(std::lround(from.cy * scale)), 1, int(box.cy)));
}

// rgb (top-down, from) scaled into the middle of a black frame of size box.
std::unique_ptr<CBitmap> fitFrame(const unsigned char *rgb, CSize from, CSize box)
{
    if (box.cx <= 0 || (from.cx == box.cx && from.cy == box.cy))
        return std::make_unique<CBitmap>(rgb, from);
    const CSize fitted = fittedSize(from, box);
    std::vector<unsigned char> scaled(size_t(fitted.cx) * size_t(fitted.cy) * 3);
    if (!ImgResizeRGB(rgb, uint32_t(from.cx), uint32_t(from.cy), scaled.data(), uint32_t(fitted.cx),
                      uint32_t(fitted.cy)))
        return nullptr;
    std::vector<unsigned char> frame(size_t(box.cx) * size_t(box.cy) * 3, 0);
    const size_t left = size_t(box.cx - fitted.cx) / 2;
    const size_t top = size_t(box.cy - fitted.cy) / 2;
    const size_t row = size_t(fitted.cx) * 3;
    for (size_t y = 0; y < size_t(fitted.cy); ++y)
        std::memcpy(&frame[((top + y) * size_t(box.cx) + left) * 3], &scaled[y * row], row);
    return std::make_unique<CBitmap>(frame.data(), box);
}

std::unique_ptr<CBitmap> thumbnailFrame(CThumbBitmap &record, CSize box)
{
    CBitmapObject *object = record.GetBitmap();
    if (!object)
        return nullptr;
    const CBitmap &thumbnail = object->Bitmap();
    std::unique_ptr<CBitmap> frame;
    if (box.cx <= 0 || (thumbnail.Width() == box.cx && thumbnail.Height() == box.cy)) {
        frame = std::make_unique<CBitmap>(thumbnail.GetHeader(), thumbnail.GetBits());
    } else {
        unsigned width = 0, height = 0;
        const std::unique_ptr<unsigned char[]> rgb(thumbnail.NewRGB(width, height));
        if (rgb)
            frame = fitFrame(rgb.get(), CSize(int(width), int(height)), box);
    }
    object->Release();
    return frame;
}

std::unique_ptr<CBitmap> imageFrame(CThumbBitmap &record, CSize box)
{
    const CPath path = record.GetFullPath();
    const std::unique_ptr<CPicture> picture(CPicture::New(path));
    if (!picture)
        return nullptr;
    TProgressContext progress;
    // An image larger than the frame need not be decoded at its full size.
    const bool loaded = box.cx > 0 ? picture->LoadReducedFromFile(
                                         path,
                                         [box](uint32_t width, uint32_t height) {
                                             return fittedSize(CSize(int(width), int(height)), box);
                                         },
                                         progress)
                                   : picture->LoadFromFile(path, progress);
    if (!loaded || !picture->buffer)
        return nullptr;
    return fitFrame(picture->buffer, CSize(int(picture->width), int(picture->height)), box);
}

} // namespace

std::unique_ptr<CBitmap> LoadMovieFrame(CThumbBitmap &record, bool useThumbnail, CSize size)
{
    std::unique_ptr<CBitmap> frame;
    if (useThumbnail)
        frame = thumbnailFrame(record, size);
    // A record not built yet has no thumbnail: its image stands in.
    if (!frame || frame->IsEmpty())
        frame = imageFrame(record, size);
    if (!frame || frame->IsEmpty())
        return nullptr;
    return frame;
}

int MovieSampleStep(int count)
{
    return std::max(count / 10, 1);
}

TAviResult WriteMovieFrames(CAviFile &avi, const CMovieFrames &frames, const CPath &path, TProgress *progress,
                            const MovieFrameSettings &settings, int step, int first)
{
    step = std::max(step, 1);
    CSize size;   // the first written frame's, which every frame takes
    bool open = false;
    TAviResult result = aviSuccess;
    // The next frame is read on a worker while this one is written.
    std::future<std::unique_ptr<CBitmap>> next;
    const auto readAhead = [&](int index) {
        if (index < frames.Count())
            next = std::async(std::launch::async, [&frames, index, &settings, size] {
                InitImageLibrary();
                return LoadMovieFrame(frames.Record(index), settings.useThumbnails, size);
            });
    };
    for (int index = std::max(first, 0); index < frames.Count() && result == aviSuccess; index += step) {
        std::unique_ptr<CBitmap> frame = next.valid()
                                             ? next.get()
                                             : LoadMovieFrame(frames.Record(index), settings.useThumbnails, size);
        if (frame && !open) {
            result = avi.OpenWrite(path, frame->GetHeader(), settings.comment.c_str(), "DIB ", settings.rate);
            open = true;
            size = CSize(frame->Width(), frame->Height());
        }
        if (open)
            readAhead(index + step);
        if (frame && result == aviSuccess)
            result = avi.WriteFrame(frame->GetBits(), frame->GetHeader()->biSizeImage, nullptr);
        if (progress) {
            progress->Nudge();
            if (result == aviSuccess && progress->Cancelled)
                result = aviCancelled;
        }
    }
    if (next.valid())
        next.wait();
    if (result != aviSuccess) {
        avi.Discard();
        return result;
    }
    return open ? avi.Close() : aviReadFailed;
}

namespace {

// Deletes the compression's temporary movie whatever ends the run.
class TemporaryMovie
{
public:
    explicit TemporaryMovie(CPath path) : m_path(std::move(path)) {}
    ~TemporaryMovie() { DeleteFileA(m_path); }
    const CPath &Path() const { return m_path; }

private:
    CPath m_path;
};

TAviResult compressMovie(CAviFile &avi, const CMovieFrames &frames, const CPath &target,
                         const MovieFrameSettings &settings, TMovieProgressForm1 &window)
{
    const CPath folder(CString(MovieOptions->GetString(TMovieOptions::Temp)));
    const TemporaryMovie temporary(folder.AppendFileName("zilo$temp.avi"));

    // A sample of the thumbnails, for the compression dialog to try its codecs on.
    MovieFrameSettings sample = settings;
    sample.useThumbnails = true;
    TAviResult result = WriteMovieFrames(avi, frames, temporary.Path(), nullptr, sample,
                                         MovieSampleStep(frames.Count()), 0);
    if (result != aviSuccess)
        return result;
    AviStreamInfo stream;
    result = avi.OpenRead(temporary.Path());
    if (result == aviSuccess)
        result = avi.GetStreamInfo(&stream);
    avi.Close();
    if (result != aviSuccess)
        return result;
    AviCompressOptions options;
    Shell().DisableAllWindows();
    result = avi.CompressDialog(&options, &stream);
    Shell().EnableAllWindows();
    if (result != aviSuccess)
        return result;

    window.show();
    TProgress &progress = window.Progress();
    progress.SetIndex(0);
    progress.SetTotal(frames.Count());
    result = WriteMovieFrames(avi, frames, temporary.Path(), &progress, settings, 1, 0);
    if (result != aviSuccess)
        return result;
    progress.SetIndex(1);
    // One step a percent, and one at the end.
    progress.SetTotal(101);
    return avi.Compress(temporary.Path(), target, &options, &progress);
}

// The dialog, then the frames written and any failure shown.
void runMovie(CAviFile &avi, const CMovieFrames &frames)
{
    CPath target;
    if (!TMovieForm1::Choose(frames, target))
        return;
    MovieFrameSettings settings;
    settings.rate = MovieOptions->GetInt(TMovieOptions::FramesPerSecond);
    settings.useThumbnails = MovieOptions->GetInt(TMovieOptions::Thumbs) != 0;
    settings.comment = CString(MovieOptions->GetString(TMovieOptions::Comment));

    TMovieProgressForm1 window(target);
    TAviResult result;
    if (MovieOptions->GetInt(TMovieOptions::Compress) != 0) {
        result = compressMovie(avi, frames, target, settings, window);
    } else {
        window.HideCompressionBar();
        window.show();
        window.Progress().SetIndex(0);
        window.Progress().SetTotal(frames.Count());
        result = WriteMovieFrames(avi, frames, target, &window.Progress(), settings, 1, 0);
    }
    window.hide();
    if (result != aviSuccess && result != aviCancelled)
        ShowMessageBox(CString(CAviFile::GetErrorMessage(result)), WarningBoxFlags);
}

} // namespace

void MakeMovie(CAviFile &avi, const CMovieFrames &frames)
{
    if (frames.Count() == 0)
        return;
    HideToolWindows();
    runMovie(avi, frames);
    RestoreToolWindows();
}

void MakeMovie(CAviFile &avi, const std::vector<TThumbnail *> &thumbnails)
{
    MakeMovie(avi, CMovieFrames(thumbnails));
}
