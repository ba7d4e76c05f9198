#pragma once

// Reading AVI files through FFmpeg: the first video stream of a file and the
// decoder that gives its frames by number. Private to the AVI units.

#include "AviFile.h"
#include "AviIO.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <memory>
#include <vector>

class TStream;
struct SwsContext;

struct FormatInputDeleter
{
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};
struct CodecContextDeleter
{
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct FrameDeleter
{
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct PacketDeleter
{
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct ScalerDeleter
{
    void operator()(SwsContext *context) const;
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerDeleter>;

// The most pixels a frame may have, as for every image decoder.
constexpr int64_t AviMaxPixels = int64_t(1) << 28;

// Whether a frame of this size may be decoded or encoded.
bool isAcceptableFrameSize(int width, int height);

// Scales and converts source into planes of width x height pixels of format,
// through scaler, which it makes or remakes as needed. False when FFmpeg
// cannot convert between the two.
bool scaleFrame(ScalerPtr &scaler, const AVFrame *source, int width, int height, AVPixelFormat format,
                uint8_t *const planes[4], const int strides[4]);

// Sends FFmpeg's errors to the debugger output, once per process. Any thread.
void routeFfmpegLog();

// While one lives, FFmpeg's messages from this thread are dropped.
class QuietFfmpegLog
{
public:
    QuietFfmpegLog();
    ~QuietFfmpegLog();
    QuietFfmpegLog(const QuietFfmpegLog &) = delete;
    QuietFfmpegLog &operator=(const QuietFfmpegLog &) = delete;
};

// The first video stream of an AVI file. Frames are numbered from 0 in the
// order of the file; a frame's number is its timestamp less the stream's first.
class AviInputStream
{
public:
    AviInputStream();
    ~AviInputStream();

    // Takes file and opens its first video stream. False when it is not an
    // AVI that FFmpeg reads, has no video stream, or has frames of no size or
    // of more than AviMaxPixels. Only the AVI reader looks at the bytes, so no
    // content can make FFmpeg open another file.
    bool open(std::unique_ptr<TStream> file);

    AVFormatContext *format() const { return m_format.get(); }
    AVStream *stream() const { return m_stream; }
    // The larger of the count the headers give and the frames the index
    // lists; frames past the end of a cut file are in it and fail to decode.
    int32_t frameCount() const { return m_frameCount; }
    int64_t timestampOf(int32_t frame) const { return m_firstTimestamp + frame; }
    int64_t frameOf(int64_t timestamp) const { return timestamp - m_firstTimestamp; }
    // The key frame at or before frame by the index; 0 when the index has none.
    int32_t keyFrameBefore(int32_t frame) const;

    BITMAPINFOHEADER frameFormat() const;
    AviStreamInfo streamInfo() const;

    // Whether packet is the start of a chunk that the end of the file cuts
    // off. FFmpeg hands such a fragment on as it is, and some decoders would
    // take it for a whole frame.
    bool isCutShort(const AVPacket &packet) const;

private:
    std::unique_ptr<TStream> m_file;
    int64_t m_fileBytes = 0;
    AvioContextPtr m_io;                                          // reads m_file
    std::unique_ptr<AVFormatContext, FormatInputDeleter> m_format;   // reads m_io
    AVStream *m_stream = nullptr;                                 // owned by m_format
    int32_t m_frameCount = 0;
    int64_t m_firstTimestamp = 0;
};

// Decodes the frames of an AviInputStream, which must outlive it.
class AviFrameReader
{
public:
    explicit AviFrameReader(AviInputStream &input);
    ~AviFrameReader();

    // False when no decoder takes the stream.
    bool open();

    // The frame of that number, decoded; null when it is outside the stream or
    // cannot be decoded. Owned by the reader and valid until the next call.
    // The frame after the last one read is decoded without a seek; any other
    // seeks to the key frame before it, unless it lies ahead with no key
    // frame in between.
    const AVFrame *frame(int32_t number);

    // Converts a decoded frame to top-down RGB of frame->width x
    // frame->height x 3 bytes at rgb. False when the scaler cannot be made.
    bool convertToRgb(const AVFrame *frame, uint8_t *rgb);

private:
    bool moveBefore(int32_t number);
    bool seekTo(int32_t number);
    // Decodes on until frame number; false when the decoder passes it or stops.
    bool decodeUpTo(int32_t number);
    // The next frame out of the decoder, feeding it packets; false at the end
    // of the stream or on an error.
    bool decodeNext();
    bool feedNext();
    // The number of the frame the decoder has just given: see decodeNext.
    int32_t numberOfDecoded();

    AviInputStream &m_input;
    CodecContextPtr m_decoder;
    PacketPtr m_packet;
    FramePtr m_frame;
    ScalerPtr m_scaler;
    int32_t m_current = -1;       // the number of the frame the decoder gave last
    bool m_haveFrame = false;     // m_frame holds frame m_current
    bool m_positioned = false;    // the decoder continues from m_current; false: seek first
    bool m_draining = false;      // the file is read to its end; the decoder gives what it holds
    bool m_seeked = true;         // no frame has come since the decoder started at a key frame
    int32_t m_startKeyFrame = 0;  // the key frame the decoder started at
    int32_t m_firstAfterStart = 0;   // the number of the first frame it gave from there
    // The numbers of the frames sent to the decoder that it has not given
    // back, in ascending order: the places in the movie still to be filled.
    std::vector<int32_t> m_pending;
};
