#pragma once

// Compressing movies through FFmpeg: the encoders that work here and the
// writing of a compressed AVI file. Private to the AVI units.

#include "AviCodec.h"
#include "AviFile.h"
#include "AviIO.h"
#include "AviReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <memory>
#include <vector>

class TStream;

// The AVI encoders of this FFmpeg that compress a short movie which FFmpeg
// then reads back close to what went in; hardware encoders and the AV1
// encoders (far too slow for a movie of pictures) are left out. "Full Frames
// (Uncompressed)" first, then by description. Probed once per process, on
// first use; any thread.
const std::vector<AviCodec> &workingAviCodecs();
// The working codec of that name; null when there is none.
const AviCodec *findWorkingAviCodec(const char *name);
// The working codecs that take frames of stream's size at its rate.
std::vector<AviCodec> aviCodecsFor(const AviStreamInfo &stream);

struct AviEncoderSettings
{
    int32_t quality = -1;          // 0 to 100; -1: the codec's own
    uint32_t keyFrameEvery = 0;    // 0: the codec's own
    uint32_t bytesPerSecond = 0;   // 0: none; takes the place of the quality
};
// options, less the choices that codec does not honour.
AviEncoderSettings encoderSettingsFor(const AviCodec &codec, const AviCompressOptions &options);

// One compressed video stream written as an AVI file.
class AviEncoder
{
public:
    AviEncoder();
    ~AviEncoder();

    // Opens the encoder of that name for frames of width x height, one every
    // timeBase seconds. False when there is none or it refuses them.
    bool open(const char *name, const AviEncoderSettings &settings, int width, int height, AVRational timeBase);
    // Starts the movie in file, which must outlive the encoder.
    bool begin(TStream &file, const CString &streamName);
    // Encodes a frame of any size and pixel format as the next one.
    bool write(const AVFrame *frame);
    // Flushes the encoder and ends the file. False when anything could not
    // be written on the way.
    bool finish();

    // Of the packets so far; for the probe.
    int64_t packetBytes() const { return m_packetBytes; }
    int32_t keyPackets() const { return m_keyPackets; }

private:
    bool writePackets();

    struct OutputDeleter
    {
        void operator()(AVFormatContext *context) const { avformat_free_context(context); }
    };

    CodecContextPtr m_encoder;
    AvioContextPtr m_io;
    std::unique_ptr<AVFormatContext, OutputDeleter> m_output;   // writes through m_io; null: count only
    AVStream *m_stream = nullptr;                                // owned by m_output
    FramePtr m_picture;                                          // in the encoder's pixel format
    PacketPtr m_packet;
    ScalerPtr m_scaler;
    int64_t m_nextTimestamp = 0;
    int64_t m_packetBytes = 0;
    int32_t m_keyPackets = 0;
};
