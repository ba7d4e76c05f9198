// Reading AVI files is FFmpeg's work. The one thing read here is the header of
// the chunk that holds a frame, to tell a frame that the end of the file cuts off:
//   offset  size  meaning
//        0     4  id: two digits (the stream) and two lower-case letters (the kind, as "db", "dc")
//        4     4  bytes of data that follow (not counting the pad byte to an even length)
// A chunk whose data would run past the end of the file is cut short, and its
// frame is not decoded. Any other id or an offset outside the file tells nothing.

#include "AviReader.h"

#include <platform/Debug.h>
#include <platform/Stream.h>

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <utility>

void ScalerDeleter::operator()(SwsContext *context) const
{
    sws_freeContext(context);
}

bool isAcceptableFrameSize(int width, int height)
{
    return width > 0 && height > 0 && int64_t(width) * height <= AviMaxPixels;
}

static thread_local int quietDepth = 0;

QuietFfmpegLog::QuietFfmpegLog()
{
    ++quietDepth;
}

QuietFfmpegLog::~QuietFfmpegLog()
{
    --quietDepth;
}

static void logToDebugger(void *context, int level, const char *format, va_list arguments)
{
    if (level > AV_LOG_ERROR || quietDepth > 0)
        return;
    char line[1024];
    int printPrefix = 1;
    av_log_format_line2(context, level, format, arguments, line, int(sizeof line), &printPrefix);
    const size_t length = std::strlen(line);
    if (length > 0 && line[length - 1] == '\n')
        line[length - 1] = '\0';
    if (line[0])
        OutputDebugStringA(line);
}

void routeFfmpegLog()
{
    static std::once_flag routed;
    std::call_once(routed, [] { av_log_set_callback(logToDebugger); });
}

static int32_t clampToFrameNumber(int64_t value)
{
    return int32_t(std::clamp<int64_t>(value, -1, std::numeric_limits<int32_t>::max()));
}

AviInputStream::AviInputStream() = default;
AviInputStream::~AviInputStream() = default;

bool AviInputStream::open(std::unique_ptr<TStream> file)
{
    m_file = std::move(file);
    m_fileBytes = m_file->Size();
    m_io = newAvioReader(*m_file);
    AVFormatContext *context = m_io ? avformat_alloc_context() : nullptr;
    if (!context)
        return false;
    context->pb = m_io.get();
    // Forcing the AVI reader keeps FFmpeg from taking the bytes for a playlist
    // or a script that names other files.
    if (avformat_open_input(&context, nullptr, av_find_input_format("avi"), nullptr) < 0)
        return false;   // FFmpeg freed the context
    m_format.reset(context);

    for (unsigned i = 0; i < context->nb_streams; ++i) {
        AVStream *stream = context->streams[i];
        if (!m_stream && stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            m_stream = stream;
        else
            stream->discard = AVDISCARD_ALL;
    }
    if (!m_stream || !isAcceptableFrameSize(m_stream->codecpar->width, m_stream->codecpar->height))
        return false;

    const int entries = avformat_index_get_entries_count(m_stream);
    if (entries > 0)
        m_firstTimestamp = avformat_index_get_entry(m_stream, 0)->timestamp;
    else if (m_stream->start_time != AV_NOPTS_VALUE)
        m_firstTimestamp = m_stream->start_time;
    m_frameCount = std::max(clampToFrameNumber(m_stream->nb_frames), clampToFrameNumber(entries));
    m_frameCount = std::max(m_frameCount, 0);
    return true;
}

int32_t AviInputStream::keyFrameBefore(int32_t frame) const
{
    const int index = av_index_search_timestamp(m_stream, timestampOf(frame), AVSEEK_FLAG_BACKWARD);
    if (index < 0)
        return 0;
    return std::clamp(clampToFrameNumber(frameOf(avformat_index_get_entry(m_stream, index)->timestamp)), 0, frame);
}

BITMAPINFOHEADER AviInputStream::frameFormat() const
{
    const AVCodecParameters *parameters = m_stream->codecpar;
    BITMAPINFOHEADER format{};
    format.biSize = sizeof format;
    format.biWidth = parameters->width;
    format.biHeight = parameters->height;
    format.biPlanes = 1;
    format.biBitCount = WORD(std::clamp(parameters->bits_per_coded_sample, 0, 0xFFFF));
    format.biCompression = parameters->codec_tag;
    if (parameters->codec_id == AV_CODEC_ID_RAWVIDEO) {
        // Both sides are at most 2^28 and the bit count 16 bits wide, so this stays in 64 bits.
        const uint64_t rowBytes = (uint64_t(parameters->width) * format.biBitCount + 31) / 32 * 4;
        format.biSizeImage = DWORD(std::min<uint64_t>(rowBytes * uint64_t(parameters->height),
                                                      std::numeric_limits<DWORD>::max()));
    }
    return format;
}

AviStreamInfo AviInputStream::streamInfo() const
{
    AviStreamInfo info;
    info.type = AviFourCC("vids");
    info.handler = m_stream->codecpar->codec_tag;
    // The reader's time base is scale / rate seconds, reduced.
    info.scale = uint32_t(std::max(m_stream->time_base.num, 1));
    info.rate = uint32_t(std::max(m_stream->time_base.den, 0));
    info.start = 0;
    info.length = uint32_t(m_frameCount);
    info.frame = CRect(0, 0, m_stream->codecpar->width, m_stream->codecpar->height);
    if (const AVDictionaryEntry *title = av_dict_get(m_stream->metadata, "title", nullptr, 0))
        info.name = title->value;
    return info;
}

// A chunk's header: two digits (the stream) and two letters (the kind), then its size.
static bool isChunkHeader(const uint8_t *header)
{
    const auto isDigit = [](uint8_t c) { return c >= '0' && c <= '9'; };
    const auto isLetter = [](uint8_t c) { return c >= 'a' && c <= 'z'; };
    return isDigit(header[0]) && isDigit(header[1]) && isLetter(header[2]) && isLetter(header[3]);
}

bool AviInputStream::isCutShort(const AVPacket &packet) const
{
    // FFmpeg gives the position of the chunk's data, just after its 8-byte header.
    constexpr int64_t HeaderBytes = 8;
    if (packet.pos < HeaderBytes || packet.pos > m_fileBytes)
        return false;
    // FFmpeg reads m_file through its own buffer and expects it where it left it.
    const int64_t resume = m_file->Position();
    uint8_t header[HeaderBytes];
    const bool read = m_file->Seek(packet.pos - HeaderBytes, soBeginning) == packet.pos - HeaderBytes
                   && m_file->Read(header, int32_t(HeaderBytes)) == int32_t(HeaderBytes);
    m_file->Seek(resume, soBeginning);
    if (!read || !isChunkHeader(header))
        return false;
    const uint32_t declared = uint32_t(header[4]) | uint32_t(header[5]) << 8 | uint32_t(header[6]) << 16
                            | uint32_t(header[7]) << 24;
    return packet.pos + int64_t(declared) > m_fileBytes;
}

AviFrameReader::AviFrameReader(AviInputStream &input)
    : m_input(input)
{
}

AviFrameReader::~AviFrameReader() = default;

bool AviFrameReader::open()
{
    const AVCodecParameters *parameters = m_input.stream()->codecpar;
    const AVCodec *codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec)
        return false;
    m_decoder.reset(avcodec_alloc_context3(codec));
    m_packet.reset(av_packet_alloc());
    m_frame.reset(av_frame_alloc());
    if (!m_decoder || !m_packet || !m_frame || avcodec_parameters_to_context(m_decoder.get(), parameters) < 0)
        return false;
    m_decoder->pkt_timebase = m_input.stream()->time_base;
    // The decoder refuses frames past the limit itself, whatever the headers said.
    m_decoder->max_pixels = AviMaxPixels;
    if (avcodec_open2(m_decoder.get(), codec, nullptr) < 0)
        return false;
    m_positioned = true;   // at the first frame
    return true;
}

const AVFrame *AviFrameReader::frame(int32_t number)
{
    if (number < 0 || number >= m_input.frameCount())
        return nullptr;
    if (m_positioned && m_haveFrame && m_current == number)
        return m_frame.get();
    if (!moveBefore(number))
        return nullptr;
    if (decodeUpTo(number))
        return m_frame.get();
    // A frame shown before the key frame it is stored after (in an open
    // group) is decoded from the key frame before that one.
    const bool beforeTheKeyFrame = m_startKeyFrame > 0 && m_firstAfterStart > number;
    if (beforeTheKeyFrame && seekTo(m_startKeyFrame - 1) && decodeUpTo(number))
        return m_frame.get();
    // Where the decoder stands is no longer known; the next read seeks.
    m_positioned = false;
    m_haveFrame = false;
    return nullptr;
}

bool AviFrameReader::decodeUpTo(int32_t number)
{
    while (decodeNext()) {
        if (m_current == number)
            return true;
        if (m_current > number)
            return false;   // the stream holds no picture of that number
    }
    return false;
}

bool AviFrameReader::moveBefore(int32_t number)
{
    const bool readsOn = m_positioned && number > m_current;
    if (readsOn && m_input.keyFrameBefore(number) <= m_current + 1)
        return true;
    return seekTo(number);
}

bool AviFrameReader::seekTo(int32_t number)
{
    const int32_t keyFrame = m_input.keyFrameBefore(number);
    AVFormatContext *format = m_input.format();
    const int streamIndex = m_input.stream()->index;
    if (av_seek_frame(format, streamIndex, m_input.timestampOf(keyFrame), AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(m_decoder.get());
    m_current = keyFrame - 1;
    m_positioned = true;
    m_haveFrame = false;
    m_draining = false;
    m_seeked = true;
    m_pending.clear();
    m_startKeyFrame = keyFrame;
    return true;
}

// An AVI file keeps no presentation times: its chunks are numbered in the
// order they are stored, which is the decoding order, and a frame shown
// before a frame it depends on (a B-frame) is stored after it. The decoder
// gives frames in the order they are shown, so each frame it gives takes the
// lowest number still pending. The first frame after a start at a key frame
// is the key frame itself, and the frames stored after it that the decoder
// dropped because they also depend on the frames before it (an open group)
// are shown before it: it takes the number after theirs, which is the
// highest pending but for the frames the decoder still holds back.
int32_t AviFrameReader::numberOfDecoded()
{
    const size_t held = m_draining ? 0 : size_t(std::max(m_decoder->has_b_frames, 0));
    size_t index = 0;
    if (m_seeked && m_pending.size() > held)
        index = m_pending.size() - 1 - held;
    const bool first = std::exchange(m_seeked, false);
    int32_t number = m_current + 1;
    if (!m_pending.empty()) {
        number = m_pending[index];
        m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(index) + 1);
    }
    if (first)
        m_firstAfterStart = number;
    return number;
}

bool AviFrameReader::decodeNext()
{
    for (;;) {
        const int received = avcodec_receive_frame(m_decoder.get(), m_frame.get());
        if (received == 0) {
            m_current = numberOfDecoded();
            m_haveFrame = true;
            return true;
        }
        m_haveFrame = false;
        if (received != AVERROR(EAGAIN) || m_draining || !feedNext())
            return false;
    }
}

// Sends the decoder the next packet of the stream, or at the end of the file
// the signal to give what it holds. False when it can take nothing more.
bool AviFrameReader::feedNext()
{
    // A decoder that never answers still holds no more than this many numbers.
    constexpr size_t MaxPending = 256;
    AVCodecContext *decoder = m_decoder.get();
    for (;;) {
        if (av_read_frame(m_input.format(), m_packet.get()) < 0) {
            // The end of the file, or bytes past which nothing can be read: take what the decoder holds.
            m_draining = true;
            return avcodec_send_packet(decoder, nullptr) >= 0;
        }
        const AVPacket &packet = *m_packet;
        // A damaged packet only loses its own frame; an empty one is a frame dropped when the movie was made.
        const bool sent = packet.stream_index == m_input.stream()->index && packet.size > 0
                       && !m_input.isCutShort(packet) && avcodec_send_packet(decoder, &packet) >= 0;
        if (sent) {
            const int32_t number = packet.dts != AV_NOPTS_VALUE
                                       ? clampToFrameNumber(m_input.frameOf(packet.dts))
                                       : (m_pending.empty() ? m_current : m_pending.back()) + 1;
            m_pending.insert(std::upper_bound(m_pending.begin(), m_pending.end(), number), number);
            if (m_pending.size() > MaxPending)
                m_pending.erase(m_pending.begin());
        }
        av_packet_unref(m_packet.get());
        if (sent)
            return true;
    }
}

// The colour equations FFmpeg's scaler should use for a frame of YUV pixels.
static void setColourDetails(SwsContext *scaler, const AVFrame *frame)
{
    int *inverse = nullptr;
    int *table = nullptr;
    int sourceRange = 0;
    int destinationRange = 0;
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
    if (sws_getColorspaceDetails(scaler, &inverse, &sourceRange, &table, &destinationRange, &brightness,
                                 &contrast, &saturation) < 0)
        return;
    const int space = frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
    if (frame->color_range == AVCOL_RANGE_JPEG)
        sourceRange = 1;
    // Fails harmlessly where neither side is YUV.
    sws_setColorspaceDetails(scaler, sws_getCoefficients(space), sourceRange, table, destinationRange,
                             brightness, contrast, saturation);
}

bool scaleFrame(ScalerPtr &scaler, const AVFrame *source, int width, int height, AVPixelFormat format,
                uint8_t *const planes[4], const int strides[4])
{
    scaler.reset(sws_getCachedContext(scaler.release(), source->width, source->height,
                                      AVPixelFormat(source->format), width, height, format,
                                      SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!scaler)
        return false;
    setColourDetails(scaler.get(), source);
    return sws_scale(scaler.get(), source->data, source->linesize, 0, source->height, planes, strides) == height;
}

bool AviFrameReader::convertToRgb(const AVFrame *frame, uint8_t *rgb)
{
    uint8_t *const planes[4] = {rgb, nullptr, nullptr, nullptr};
    const int strides[4] = {frame->width * 3, 0, 0, 0};
    return scaleFrame(m_scaler, frame, frame->width, frame->height, AV_PIX_FMT_RGB24, planes, strides);
}
