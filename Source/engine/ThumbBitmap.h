#pragma once

#include "Client.h"
#include "FileHandler.h"
#include "Object.h"

#include <lib/Path.h>
#include <lib/String.h>
#include <lib/imaging/Bitmap.h>
#include <lib/imaging/ImgLib.h>
#include <platform/CriticalSection.h>
#include <platform/StringList.h>
#include <platform/Types.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class CArchive;
class CImageSignature;
class CThumbProgressContext;
struct TThumbBuild;
class QPainter;

// A decoded thumbnail, shared by reference between the record and the windows
// that paint it, so that a purge can drop the record's copy during a paint.
class CBitmapObject : public CObject
{
public:
    CBitmapObject(const unsigned char *rgb, CSize size) : m_bitmap(rgb, size) {}

    const CBitmap &Bitmap() const { return m_bitmap; }

private:
    CBitmap m_bitmap;
};

// What drawing a record takes from its folder's options. A lookup of them
// resolves the folder's volume, so a painter of many records of one folder
// looks them up once.
struct TThumbDrawOptions
{
    bool label = false;   // "Label Thumbnails"
    CString labelFormat;  // "Label Thumbnails Format"
    bool dithering = false;
    // The room of the label, in pixels, centred under the thumbnail: a
    // longer label ends in an ellipsis. 0 bounds it by nothing.
    int labelWidth = 0;

    static TThumbDrawOptions ForFolder(const CPath &folder);
};

// The load state of a record, stored as one byte in browse files.
enum class TThumbState : uint8_t { Loaded = 0, Pending = 1, Failed = 2, Loading = 3 };

// The engine's record of one image file: its identity, the thumbnail as JPEG
// bytes, colour statistics and load state. Shared by reference; every record
// is in the thumbnail cache from its constructor to its destructor, and one
// released to 0 references stays there until a purge deletes it or it goes
// stale. Any thread unless a function says otherwise.
//
// Lock order: the find-or-create lock, then the cache's lock, then a record's
// m_lock, then CObject::ObjectLock. Observers are never called under a lock.
class CThumbBitmap : public CObject
{
public:
    enum Mode {
        FromBrowseFile = 0,   // the path only: the browse file fills in the rest
        FromFile = 1,         // reads the file's properties and dimensions
    };
    enum Notification : uint8_t { Changed = 0, Stale = 1 };

    CThumbBitmap(int mode, const CPath &path);
    // A new record for a file whose handler, dimensions included, was read
    // beforehand: made under the find-or-create lock, it reads no file.
    explicit CThumbBitmap(const TImageHandler &file);
    ~CThumbBitmap() override;

    // The thumbnail's size for an image of imageW x imageH fitted into a
    // square of size: the longer side becomes size, each side at least 1.
    static CSize FitThumbnailSize(int64_t imageW, int64_t imageH, int size);
    static CString GetStateText(TThumbState state);

    // Claims the record for this thread's build: false when it is loading or
    // loaded already. At most one thread holds a claim.
    bool ClaimForLoading();
    // Ends this thread's claim: state Loaded with jpeg as the thumbnail, or
    // Failed, or Pending to give the claim back unbuilt. A ReleaseData during
    // the build wins: the result is dropped and the record is pending.
    // Notifies Changed.
    void EndLoading(TThumbState state, std::vector<uint8_t> jpeg = {});
    // Drops the thumbnail, its decoded bitmap, signature and statistics; pending. On a
    // record being built the drop is left to the builder's EndLoading.
    void ReleaseData();
    // Drops only the decoded bitmap, which GetBitmap makes again.
    void ReleaseBitmap();
    bool HasBitmap() const;

    // The decoded thumbnail with a reference for the caller, made from the
    // JPEG bytes on first use; null when there are none or they do not decode
    // to at most the record's size.
    CBitmapObject *GetBitmap();
    // The similarity signature of a loaded record, made from its decoded
    // thumbnail on first use; null when the record is not loaded or its
    // thumbnail does not decode. The caller's copy stays valid after the
    // record drops its data.
    std::shared_ptr<const CImageSignature> GetSignature();

    TThumbState GetState() const { return m_state.load(); }
    CSize GetThumbnailSize() const { return CSize(m_thumbWidth.load(), m_thumbHeight.load()); }
    int32_t GetBuildTime() const { return m_buildTime.load(); }
    // A copy of the file's handler, consistent in itself.
    TImageHandler GetHandler() const;
    CPath GetFullPath() const;
    CPath GetFolder() const;

    // The statistics, scaled to 0..65535; NotComputed where there are none.
    uint16_t GetAverageHue() const { return m_hue.load(); }
    uint16_t GetAverageSaturation() const { return m_saturation.load(); }
    uint16_t GetAverageBrightness() const { return m_brightness.load(); }
    uint16_t GetColourTemperature() const { return m_temperature.load(); }
    // The averages as fractions 0..1 (1 where not computed).
    void GetHSL(double &h, double &s, double &l) const;
    COLORREF GetAverageColour() const;
    // Bytes the record holds, as the cache's statistics count them.
    int64_t GetMemorySize() const;

    // Whether the file changed or left the view: a changed time or size
    // drops the thumbnail (pending, observers told Changed); a file gone or
    // no longer shown, or force, marks the record stale. One look at the
    // file's time and size; the file is read only when they changed.
    void CheckUpToDate(bool force);
    // Whether the record's thumbnail was built from current as it is: loaded,
    // and the same time and size (a record read from a browse file knows no
    // size until its first check).
    bool IsBuiltFrom(const TFileHandler &current) const;
    // Takes the record out of the cache at once, so that no lookup finds it
    // again, tells the observers Stale, and deletes the record when its last
    // holder releases it (at once when nobody holds it).
    void MarkStale();
    // Moves the record to newPath (its file was renamed or moved) and tells
    // the observers when the path changed.
    void ChangePath(const CPath &newPath);

    // Ten lines "label: value" for hints and properties.
    void GetInfoLines(TStrings &lines) const;
    // "File: " and the name, then the info lines; no final line break.
    CString GetInfoText() const;
    // Window thread: the label (when the folder labels thumbnails) under the
    // thumbnail, and the thumbnail with its top-left corner at (x, y).
    void Draw(QPainter *canvas, int x, int y);
    // The same with the options of the record's folder given.
    void Draw(QPainter *canvas, int x, int y, const TThumbDrawOptions &options);

    // Worker threads: builds the thumbnail of a record that this thread has
    // claimed; the claim ends here, loaded, failed, or pending (no data, build
    // time 0) when the context stops the build or the file changes while it is
    // read. Observers are told Changed at the start and at the end. Each
    // stage (decode, shrink, compress) done is a Nudge of the context's
    // progress hooks. context may be null: then nothing stops the build.
    void MakeThumbnail(CThumbProgressContext *context);

    // The record's block in a browse file. LoadFromArchive fills a record
    // made FromBrowseFile and raises the archive's errors on a bad block.
    void SaveToArchive(CArchive &archive) const;
    void LoadFromArchive(CArchive &archive);

    // Writes the JPEG bytes by temporary file and rename; false without
    // bytes or when the file cannot be written.
    bool SaveJpegFile(const CPath &path) const;
    // The decoded thumbnail, or with fullImage the decoded image file, as a
    // BMP file.
    bool SaveAsBMP(const CPath &path, bool fullImage);

    TClientList &Clients() { return m_clients; }

    static constexpr uint16_t NotComputed = 0xFFFF;

protected:
    CCriticalSection *RegistryLock() override;
    void Unlink() override;
    // Unreferenced records stay cached.
    void FinalRelease() override {}

private:
    CThumbBitmap(const TImageHandler &file, bool fitThumbnail);
    void dropData();
    CBitmapObject *decodeBitmap() const;
    // Hold m_lock. Ends the claim and drops the data; state becomes what the
    // record takes: Pending after a drop during the build or for a claim
    // given back. False, reported, when there is no claim.
    bool endClaim(TThumbState &state);
    // MakeThumbnail's EndLoading: takes what the build made.
    void endBuild(TThumbBuild &&build);

    std::atomic<int32_t> m_thumbWidth{0};
    std::atomic<int32_t> m_thumbHeight{0};
    TClientList m_clients;

    mutable CCriticalSection m_lock;   // guards the members below it up to m_state
    TImageHandler m_handler;
    CBitmapObject *m_bitmap = nullptr;   // one reference, or null
    std::shared_ptr<const CImageSignature> m_signature;   // null until asked for
    std::vector<uint8_t> m_jpeg;         // empty when there is no thumbnail
    bool m_dropRequested = false;        // ReleaseData while loading

    std::atomic<int32_t> m_buildTime{-1};   // milliseconds; -1 unknown
    std::atomic<uint16_t> m_hue{NotComputed};
    std::atomic<uint16_t> m_saturation{NotComputed};
    std::atomic<uint16_t> m_brightness{NotComputed};
    std::atomic<uint16_t> m_temperature{NotComputed};
    std::atomic<TThumbState> m_state{TThumbState::Pending};   // becomes Loading only under m_lock
};

// An observer of one record, holding a reference on it. The owner detaches it
// (SetBitmap(nullptr)) before destroying it.
class CThumbBitmapClient : public CClient
{
public:
    void Notify(uint8_t what) override;
    ~CThumbBitmapClient() override = default;
    // Joins record before leaving the one watched before, so setting the same
    // record again keeps it alive throughout.
    virtual void SetBitmap(CThumbBitmap *record);
    CThumbBitmap *GetBitmap() const { return m_bitmap; }

private:
    CThumbBitmap *m_bitmap = nullptr;
};
