#pragma once

#include "Path.h"
#include "Rect.h"
#include "String.h"
#include <platform/BitmapInfo.h>

#include <cstdint>
#include <memory>

class TProgress;
class AviInputStream;
class AviFrameReader;
class AviMovieFile;

// What every AVI operation answers; GetErrorMessage gives the text.
enum TAviResult : int32_t {
    aviSuccess = 0,
    aviOpenFailed = 1,          // the file could not be opened or created
    aviCreateStreamFailed = 2,  // the stream could not be created
    aviGetFormatFailed = 3,     // the frame format could not be read
    aviSetFormatFailed = 4,     // the stream format could not be set
    aviReadFailed = 5,          // a frame could not be decoded
    aviWriteFailed = 6,         // a frame or the compressed file could not be written
    aviNoFrameReader = 7,       // no frame reader (decoder) for the stream
    aviStreamInfoFailed = 8,    // the stream information could not be read
    aviDialogFailed = 9,        // the compression dialog failed
    aviCancelled = 10,          // the user cancelled
};

// A four-character code as AVI files store it: the first character in the low byte.
constexpr uint32_t AviFourCC(const char (&code)[5])
{
    return uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 | uint32_t(uint8_t(code[2])) << 16
         | uint32_t(uint8_t(code[3])) << 24;
}

// A video stream as a reader sees it.
struct AviStreamInfo
{
    uint32_t type = 0;      // AviFourCC("vids")
    uint32_t handler = 0;   // the codec's four-character code from the frame format; 0: uncompressed
    uint32_t scale = 1;     // rate / scale frames per second, as a reduced fraction
    uint32_t rate = 0;
    uint32_t start = 0;     // the number of the first frame
    uint32_t length = 0;    // frames
    CRect frame;            // 0, 0, width, height
    CString name;           // the stream's name; empty when it has none
};

// The choices of the compression dialog, which Compress follows.
struct AviCompressOptions
{
    CString codec;                 // the encoder's name; empty: none chosen yet
    int32_t quality = 75;          // 0 smallest to 100 best, for codecs that take a quality
    uint32_t keyFrameEvery = 15;   // a key frame at least every so many frames; 0: the codec decides
    uint32_t bytesPerSecond = 0;   // the data rate to keep to; 0: none, quality decides
};

// Reads video frames of AVI files and writes uncompressed AVI movies frame by
// frame, then compresses a written movie into a second file. Nothing raises:
// every operation answers a TAviResult. One object reads or writes one file at
// a time, on one thread; separate objects may work on separate threads.
class CAviFile
{
public:
    CAviFile();
    virtual ~CAviFile();
    CAviFile(const CAviFile &) = delete;
    CAviFile &operator=(const CAviFile &) = delete;

    // Opens the first video stream of any AVI file that FFmpeg can read, then
    // its frame reader. aviOpenFailed for a file that is missing, not an AVI,
    // without a video stream or with frames of more than 2^28 pixels;
    // aviNoFrameReader when no decoder takes the stream. What was open before
    // is closed first.
    TAviResult OpenRead(const CPath &path);
    // Decodes the exact frame asked for into a new top-down RGB buffer of
    // width x height x 3 bytes, which the caller frees with delete[]. Reading
    // frames in order decodes each once; any other order seeks to the nearest
    // key frame before the frame and decodes forward from there. All four
    // outputs are 0/null first and stay so on failure: aviNoFrameReader
    // when nothing is open, aviGetFormatFailed for a frame outside the
    // stream, aviReadFailed when it cannot be decoded. bits: the bit count of
    // the stream's format.
    TAviResult ReadFrame(int frame, unsigned char *&rgb, unsigned &width, unsigned &height, unsigned &bits);
    // The frame format of frame, as a reader sees it: width, height (positive),
    // bit count and codec code; image bytes for uncompressed frames (0 for
    // compressed ones). aviGetFormatFailed for a frame outside the stream or
    // when nothing is open for reading.
    TAviResult GetFrameInfo(int frame, BITMAPINFOHEADER *header);
    // aviStreamInfoFailed when nothing is open for reading.
    TAviResult GetStreamInfo(AviStreamInfo *info);

    // Starts an uncompressed movie at path: one video stream of frames in
    // format (16, 24 or 32 bits, rows bottom-up, each
    // padded to 4 bytes, at most 2^28 pixels and 32767 a side), with the codec
    // code handler ("DIB "), the stream's name (at most 63 characters) and
    // rate frames per second. The movie goes to a temporary file beside path,
    // which Close renames over it; until then an old file at path is
    // untouched. aviOpenFailed when the file cannot be created,
    // aviCreateStreamFailed for a rate below 1, aviSetFormatFailed for a
    // format that cannot be written. What was open before is closed first.
    TAviResult OpenWrite(const CPath &path, const BITMAPINFOHEADER *format, const char *name, const char *handler,
                         int rate);
    // Appends one key frame of size bytes. aviWriteFailed, writing nothing,
    // when no movie is open or size is not the format's image bytes; the
    // movie stays as it was. aviWriteFailed too when the file cannot be
    // written, after which Close keeps the old file. bytesWritten (may be
    // null): size, or 0 on failure.
    TAviResult WriteFrame(const void *data, uint32_t size, int32_t *bytesWritten);
    // Releases the frame reader, the stream and the file. A movie being
    // written is finished and renamed over its target; aviWriteFailed when
    // that cannot be done (or a frame write failed before), and the target
    // then keeps its old contents. aviSuccess otherwise.
    TAviResult Close();
    // Drops the movie being written, as after a cancel: the target keeps its
    // old contents and no temporary file remains. Then as Close.
    void Discard();

    // Window thread. The compression dialog for frames of stream's size and
    // rate (the codecs that take them, quality, key frames, data rate), with
    // options as its first choices. No owner window; modal. aviSuccess when
    // the user confirms (options then hold the choices), aviCancelled when
    // the user cancels, aviDialogFailed without options or stream, or when no
    // codec takes the stream.
    TAviResult CompressDialog(AviCompressOptions *options, const AviStreamInfo *stream);
    // Compresses the movie at source into target with options: the target is
    // written to a temporary file beside it and renamed over it only once it
    // is complete, so a cancel or a failure leaves an old target untouched
    // and no temporary file behind. progress (may be null) gets one Nudge
    // for each percent of the frames done and one more at the end, and is
    // polled for a cancel. aviOpenFailed when source cannot be read,
    // aviCreateStreamFailed when the codec of options cannot compress it,
    // aviCancelled on a cancel, aviWriteFailed when target cannot be
    // written.
    TAviResult Compress(const CPath &source, const CPath &target, const AviCompressOptions *options,
                        TProgress *progress);

    // Never null.
    static const char *GetErrorMessage(TAviResult result);

private:
    uint32_t m_frameCounter = 0;                     // the next frame to write
    std::unique_ptr<AviInputStream> m_stream;        // the stream being read
    std::unique_ptr<AviFrameReader> m_frameReader;   // reads frames of m_stream, so goes first
    std::unique_ptr<AviMovieFile> m_file;            // the movie being written
};
