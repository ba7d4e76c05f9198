#include "AviEncoder.h"

#include <platform/Stream.h>

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

namespace {

// The probe's movie: small, but every codec here takes its size.
constexpr int ProbeWidth = 64;
constexpr int ProbeHeight = 48;
constexpr int ProbeFrames = 3;
constexpr AVRational ProbeTimeBase{1, 25};
// The mean difference per colour byte past which a codec's pictures count as broken.
constexpr double ProbeMaxMeanError = 32;
// Data rates far apart for the probe's frames: 8 bytes a frame, less than any
// codec can make one, and more than any needs.
constexpr uint32_t ProbeSlowBytesPerSecond = 200;
constexpr uint32_t ProbeFastBytesPerSecond = 10000000;

constexpr char UncompressedName[] = "rawvideo";
constexpr size_t MaxProbeThreads = 8;

// Encoders that would pass but are no use here, the AV1 ones: libaom and rav1e
// take up to a second for the probe's three tiny frames (minutes for a movie
// of photographs), SVT-AV1 refuses frames under 64 pixels and writes to the
// terminal by itself, and no player but FFmpeg reads AV1 from an AVI file.
constexpr std::array LeftOutEncoders{"libaom-av1", "librav1e", "libsvtav1"};

bool isLeftOut(const AVCodec *codec)
{
    if (codec->capabilities & (AV_CODEC_CAP_HARDWARE | AV_CODEC_CAP_HYBRID | AV_CODEC_CAP_EXPERIMENTAL))
        return true;
    return std::any_of(LeftOutEncoders.begin(), LeftOutEncoders.end(),
                       [codec](const char *name) { return std::strcmp(codec->name, name) == 0; });
}

// RGB needs no conversion; otherwise the format that loses least of it.
AVPixelFormat pixelFormatFor(const AVCodec *codec)
{
    if (!codec->pix_fmts)
        return AV_PIX_FMT_BGR24;   // as uncompressed AVI frames are stored
    return avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_RGB24, 0, nullptr);
}

// Quality 0 to 100 on the codec's own scale: its constant rate factor where
// it has one, else a fixed quantiser from 31 down to 1.
void applyQuality(AVCodecContext *encoder, int32_t quality)
{
    const double fromWorst = std::clamp(quality, 0, 100) / 100.0;
    if (const AVOption *rateFactor = av_opt_find(encoder->priv_data, "crf", nullptr, 0, 0)) {
        const double best = std::max(rateFactor->min, 0.0);
        av_opt_set_double(encoder->priv_data, "crf", rateFactor->max - (rateFactor->max - best) * fromWorst, 0);
        return;
    }
    encoder->flags |= AV_CODEC_FLAG_QSCALE;
    encoder->global_quality = int(std::lround(FF_QP2LAMBDA * (31 - 30 * fromWorst)));
}

FramePtr newPicture(AVPixelFormat format, int width, int height)
{
    FramePtr picture(av_frame_alloc());
    if (!picture)
        return nullptr;
    picture->format = format;
    picture->width = width;
    picture->height = height;
    if (av_frame_get_buffer(picture.get(), 0) < 0)
        return nullptr;
    return picture;
}

// Frame n of the probe's movie: a gradient that drifts, and a square that moves.
FramePtr probePicture(int n)
{
    FramePtr picture = newPicture(AV_PIX_FMT_RGB24, ProbeWidth, ProbeHeight);
    if (!picture)
        return nullptr;
    for (int y = 0; y < ProbeHeight; ++y) {
        uint8_t *row = picture->data[0] + ptrdiff_t(y) * picture->linesize[0];
        for (int x = 0; x < ProbeWidth; ++x) {
            const bool inSquare = x >= 8 + 4 * n && x < 24 + 4 * n && y >= 16 && y < 32;
            row[3 * x] = inSquare ? 240 : uint8_t(x * 3 + n * 6);
            row[3 * x + 1] = inSquare ? 40 : uint8_t(y * 4);
            row[3 * x + 2] = uint8_t(128 + (x - y) + n * 10);
        }
    }
    return picture;
}

struct ProbeRun
{
    int64_t bytes = 0;
    int32_t keyFrames = 0;
};

// Encodes the probe's movie with settings, into file when one is given.
std::optional<ProbeRun> encodeProbe(const AVCodec *codec, const AviEncoderSettings &settings, TStream *file)
{
    AviEncoder encoder;
    if (!encoder.open(codec->name, settings, ProbeWidth, ProbeHeight, ProbeTimeBase))
        return std::nullopt;
    if (file && !encoder.begin(*file, CString()))
        return std::nullopt;
    for (int n = 0; n < ProbeFrames; ++n) {
        const FramePtr picture = probePicture(n);
        if (!picture || !encoder.write(picture.get()))
            return std::nullopt;
    }
    if (!encoder.finish())
        return std::nullopt;
    return ProbeRun{encoder.packetBytes(), encoder.keyPackets()};
}

double meanError(const uint8_t *rgb, const AVFrame *original)
{
    int64_t total = 0;
    for (int y = 0; y < ProbeHeight; ++y) {
        const uint8_t *row = original->data[0] + ptrdiff_t(y) * original->linesize[0];
        for (int i = 0; i < ProbeWidth * 3; ++i)
            total += std::abs(int(row[i]) - int(rgb[(y * ProbeWidth) * 3 + i]));
    }
    return double(total) / (ProbeWidth * ProbeHeight * 3);
}

// Whether the movie in file reads back, frame by frame, close to what went in.
bool readsBack(std::unique_ptr<TStream> file)
{
    file->SetPosition(0);
    AviInputStream input;
    if (!input.open(std::move(file)) || input.frameCount() != ProbeFrames)
        return false;
    AviFrameReader reader(input);
    if (!reader.open())
        return false;
    std::vector<uint8_t> rgb(size_t(ProbeWidth) * ProbeHeight * 3);
    for (int n = 0; n < ProbeFrames; ++n) {
        const AVFrame *frame = reader.frame(n);
        const FramePtr original = probePicture(n);
        if (!frame || !original || frame->width != ProbeWidth || frame->height != ProbeHeight
            || !reader.convertToRgb(frame, rgb.data()) || meanError(rgb.data(), original.get()) > ProbeMaxMeanError)
            return false;
    }
    return true;
}

std::optional<AviCodec> probe(const AVCodec *codec)
{
    auto movie = std::make_unique<TMemoryStream>();
    const std::optional<ProbeRun> plain = encodeProbe(codec, {-1, 100, 0}, movie.get());
    if (!plain || !readsBack(std::move(movie)))
        return std::nullopt;

    AviCodec working;
    working.name = codec->name;
    working.description = std::strcmp(codec->name, UncompressedName) == 0
                            ? QStringLiteral("Full Frames (Uncompressed)")
                            : QString::fromUtf8(codec->long_name ? codec->long_name : codec->name);
    const std::optional<ProbeRun> allKeys = encodeProbe(codec, {-1, 1, 0}, nullptr);
    working.takesKeyFrames = allKeys && allKeys->keyFrames == ProbeFrames && plain->keyFrames < ProbeFrames;
    const std::optional<ProbeRun> best = encodeProbe(codec, {100, 100, 0}, nullptr);
    const std::optional<ProbeRun> worst = encodeProbe(codec, {0, 100, 0}, nullptr);
    working.takesQuality = best && worst && worst->bytes < best->bytes;
    const std::optional<ProbeRun> slow = encodeProbe(codec, {-1, 100, ProbeSlowBytesPerSecond}, nullptr);
    const std::optional<ProbeRun> fast = encodeProbe(codec, {-1, 100, ProbeFastBytesPerSecond}, nullptr);
    working.takesDataRate = slow && fast && slow->bytes < fast->bytes;
    return working;
}

std::vector<const AVCodec *> candidateEncoders()
{
    const AVOutputFormat *avi = av_guess_format("avi", nullptr, nullptr);
    std::vector<const AVCodec *> candidates;
    void *iterator = nullptr;
    while (const AVCodec *codec = av_codec_iterate(&iterator)) {
        if (codec->type != AVMEDIA_TYPE_VIDEO || !av_codec_is_encoder(codec) || isLeftOut(codec))
            continue;
        if (avi && avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) == 1)
            candidates.push_back(codec);
    }
    return candidates;
}

// Probes every candidate, a few at a time: each probe has its own encoders,
// streams and frames, and FFmpeg opens codecs under its own lock.
std::vector<AviCodec> probeAll()
{
    routeFfmpegLog();
    const std::vector<const AVCodec *> candidates = candidateEncoders();
    std::vector<std::optional<AviCodec>> results(candidates.size());
    std::atomic<size_t> next{0};
    const auto work = [&] {
        const QuietFfmpegLog quiet;   // codecs that refuse the probe say why; that is no news
        for (size_t i = next++; i < candidates.size(); i = next++)
            results[i] = probe(candidates[i]);
    };
    const size_t threadCount = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, MaxProbeThreads);
    std::vector<std::thread> threads;
    for (size_t i = 1; i < std::min(threadCount, candidates.size()); ++i)
        threads.emplace_back(work);
    work();
    for (std::thread &thread : threads)
        thread.join();

    std::vector<AviCodec> codecs;
    for (std::optional<AviCodec> &working : results) {
        if (working)
            codecs.push_back(std::move(*working));
    }
    std::sort(codecs.begin(), codecs.end(), [](const AviCodec &a, const AviCodec &b) {
        const bool aFirst = a.name == UncompressedName;
        const bool bFirst = b.name == UncompressedName;
        if (aFirst != bFirst)
            return aFirst;
        return a.description.compare(b.description, Qt::CaseInsensitive) < 0;
    });
    return codecs;
}

} // namespace

const std::vector<AviCodec> &workingAviCodecs()
{
    static const std::vector<AviCodec> codecs = probeAll();
    return codecs;
}

const AviCodec *findWorkingAviCodec(const char *name)
{
    if (!name)
        return nullptr;
    for (const AviCodec &codec : workingAviCodecs()) {
        if (codec.name == name)
            return &codec;
    }
    return nullptr;
}

std::vector<AviCodec> aviCodecsFor(const AviStreamInfo &stream)
{
    std::vector<AviCodec> codecs;
    if (stream.scale == 0 || stream.rate == 0 || stream.rate > INT_MAX || stream.scale > INT_MAX)
        return codecs;
    const AVRational timeBase{int(stream.scale), int(stream.rate)};
    const std::vector<AviCodec> &working = workingAviCodecs();
    const QuietFfmpegLog quiet;   // the codecs that refuse these frames say why
    for (const AviCodec &codec : working) {
        AviEncoder encoder;
        if (encoder.open(codec.name, {}, stream.frame.Width(), stream.frame.Height(), timeBase))
            codecs.push_back(codec);
    }
    return codecs;
}

AviEncoderSettings encoderSettingsFor(const AviCodec &codec, const AviCompressOptions &options)
{
    AviEncoderSettings settings;
    if (codec.takesQuality)
        settings.quality = std::clamp(options.quality, 0, 100);
    if (codec.takesKeyFrames)
        settings.keyFrameEvery = options.keyFrameEvery;
    if (codec.takesDataRate)
        settings.bytesPerSecond = options.bytesPerSecond;
    return settings;
}

AviEncoder::AviEncoder() = default;
AviEncoder::~AviEncoder() = default;

bool AviEncoder::open(const char *name, const AviEncoderSettings &settings, int width, int height,
                      AVRational timeBase)
{
    const AVCodec *codec = avcodec_find_encoder_by_name(name);
    if (!codec || !isAcceptableFrameSize(width, height) || timeBase.num <= 0 || timeBase.den <= 0)
        return false;
    m_encoder.reset(avcodec_alloc_context3(codec));
    m_packet.reset(av_packet_alloc());
    if (!m_encoder || !m_packet)
        return false;
    AVCodecContext *encoder = m_encoder.get();
    encoder->width = width;
    encoder->height = height;
    encoder->pix_fmt = pixelFormatFor(codec);
    encoder->time_base = timeBase;
    encoder->framerate = av_inv_q(timeBase);
    encoder->sample_aspect_ratio = AVRational{1, 1};
    // AVI keeps no presentation times, so frames must come out in the order they went in.
    encoder->max_b_frames = 0;
    // Some codecs take the interval from one field, some from the other.
    if (settings.keyFrameEvery > 0)
        encoder->gop_size = encoder->keyint_min = int(std::min<uint32_t>(settings.keyFrameEvery, INT_MAX));
    if (settings.bytesPerSecond > 0) {
        // A limit, not an average: a buffer of one second that no frame may overrun.
        encoder->bit_rate = encoder->rc_max_rate = int64_t(settings.bytesPerSecond) * 8;
        encoder->rc_buffer_size = int(std::min<int64_t>(encoder->bit_rate, INT_MAX));
    } else if (settings.quality >= 0)
        applyQuality(encoder, settings.quality);
    if (avcodec_open2(encoder, codec, nullptr) < 0)
        return false;
    m_picture = newPicture(encoder->pix_fmt, width, height);
    return m_picture != nullptr;
}

bool AviEncoder::begin(TStream &file, const CString &streamName)
{
    AVFormatContext *output = nullptr;
    if (avformat_alloc_output_context2(&output, nullptr, "avi", nullptr) < 0)
        return false;
    m_output.reset(output);
    m_io = newAvioWriter(file);
    m_stream = avformat_new_stream(output, nullptr);
    if (!m_io || !m_stream || avcodec_parameters_from_context(m_stream->codecpar, m_encoder.get()) < 0)
        return false;
    output->pb = m_io.get();
    m_stream->time_base = m_encoder->time_base;
    if (!streamName.IsEmpty())
        av_dict_set(&m_stream->metadata, "title", streamName.c_str(), 0);
    return avformat_write_header(output, nullptr) >= 0;
}

bool AviEncoder::write(const AVFrame *frame)
{
    AVFrame *picture = m_picture.get();
    if (av_frame_make_writable(picture) < 0
        || !scaleFrame(m_scaler, frame, picture->width, picture->height, AVPixelFormat(picture->format),
                       picture->data, picture->linesize))
        return false;
    picture->pts = m_nextTimestamp++;
    // A fixed quantiser is taken from each picture.
    picture->quality = m_encoder->global_quality;
    return avcodec_send_frame(m_encoder.get(), picture) >= 0 && writePackets();
}

bool AviEncoder::finish()
{
    if (avcodec_send_frame(m_encoder.get(), nullptr) < 0 || !writePackets())
        return false;
    if (!m_output)
        return true;
    if (av_write_trailer(m_output.get()) < 0)
        return false;
    avio_flush(m_io.get());
    return m_io->error == 0;
}

bool AviEncoder::writePackets()
{
    AVPacket *packet = m_packet.get();
    for (;;) {
        const int received = avcodec_receive_packet(m_encoder.get(), packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return true;
        if (received < 0)
            return false;
        m_packetBytes += packet->size;
        if (packet->flags & AV_PKT_FLAG_KEY)
            ++m_keyPackets;
        if (m_output) {
            packet->stream_index = m_stream->index;
            av_packet_rescale_ts(packet, m_encoder->time_base, m_stream->time_base);
            const int written = av_write_frame(m_output.get(), packet);
            av_packet_unref(packet);
            if (written < 0)
                return false;
        }
        av_packet_unref(packet);
    }
}
