#pragma once

#include <lib/AviFile.h>
#include <lib/Path.h>
#include <lib/Rect.h>
#include <lib/String.h>

#include <memory>
#include <vector>

class CBitmap;
class CThumbBitmap;
class TProgress;
class TThumbnail;

// The records of a movie's frames, in order, each held for the run: a browse
// window may leave its folder while the movie is written.
class CMovieFrames
{
public:
    explicit CMovieFrames(const std::vector<TThumbnail *> &thumbnails);
    // Takes a reference of its own to each record.
    explicit CMovieFrames(const std::vector<CThumbBitmap *> &records);
    ~CMovieFrames();
    CMovieFrames(const CMovieFrames &) = delete;
    CMovieFrames &operator=(const CMovieFrames &) = delete;

    int Count() const { return int(m_records.size()); }
    CThumbBitmap &Record(int index) const { return *m_records[size_t(index)]; }

private:
    std::vector<CThumbBitmap *> m_records;
};

// How the frames are written.
struct MovieFrameSettings
{
    int rate = 30;                // frames per second
    bool useThumbnails = true;    // the thumbnails, else the images themselves
    CString comment;              // the stream's name
};

// A frame as a movie holds it: 24 bits, bottom-up. From the thumbnail, or
// from the image when there is none (a record not built) or the images are
// wanted. Fitted, centred on black, into size unless size is empty. Null
// when neither can be read.
std::unique_ptr<CBitmap> LoadMovieFrame(CThumbBitmap &record, bool useThumbnail, CSize size);

// The frames a compression's sample takes: every count / 10th, at least every one.
int MovieSampleStep(int count);

// Writes frames first, first + step, ... of frames into a new movie at path,
// every one of the first written frame's size. Frames that cannot be read are
// left out. progress (may be null) gets a Nudge per frame and is polled for a
// cancel, which answers aviCancelled and leaves whatever was at path as it
// was; so does any failure. aviReadFailed when no frame can be read.
TAviResult WriteMovieFrames(CAviFile &avi, const CMovieFrames &frames, const CPath &path, TProgress *progress,
                            const MovieFrameSettings &settings, int step, int first);

// The whole run for the user: the movie dialog, then the frames written
// (through a compression when asked) with the progress window, and any
// failure reported. Window thread.
void MakeMovie(CAviFile &avi, const std::vector<TThumbnail *> &thumbnails);
void MakeMovie(CAviFile &avi, const CMovieFrames &frames);
