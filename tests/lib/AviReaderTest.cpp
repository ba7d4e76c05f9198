// Movies that other programs write: compressed streams whose frames are
// stored in another order than they are shown.

#include "AviTestSupport.h"

#include <lib/AviFile.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

namespace {

// Encodes frames 0 to count - 1 of the pattern as MPEG-4 Visual with up to
// two B-frames between references, stored in decoding order in an AVI file.
void WriteBFrameMovie(const std::string &hostPath, int width, int height, int count)
{
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    ASSERT_NE(codec, nullptr);
    AVFormatContext *format = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&format, nullptr, "avi", hostPath.c_str()), 0);
    AVStream *stream = avformat_new_stream(format, nullptr);
    AVCodecContext *encoder = avcodec_alloc_context3(codec);
    ASSERT_TRUE(stream && encoder);
    encoder->width = width;
    encoder->height = height;
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder->time_base = AVRational{1, 10};
    encoder->framerate = AVRational{10, 1};
    encoder->gop_size = 12;
    encoder->max_b_frames = 2;
    encoder->global_quality = FF_QP2LAMBDA * 2;
    encoder->flags |= AV_CODEC_FLAG_QSCALE;
    ASSERT_GE(avcodec_open2(encoder, codec, nullptr), 0);
    ASSERT_GE(avcodec_parameters_from_context(stream->codecpar, encoder), 0);
    stream->time_base = encoder->time_base;
    ASSERT_GE(avio_open(&format->pb, hostPath.c_str(), AVIO_FLAG_WRITE), 0);
    ASSERT_GE(avformat_write_header(format, nullptr), 0);

    SwsContext *scaler = sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, AV_PIX_FMT_YUV420P,
                                        SWS_BICUBIC, nullptr, nullptr, nullptr);
    AVFrame *frame = av_frame_alloc();
    AVPacket *packet = av_packet_alloc();
    ASSERT_TRUE(scaler && frame && packet);
    frame->width = width;
    frame->height = height;
    frame->format = AV_PIX_FMT_YUV420P;
    ASSERT_GE(av_frame_get_buffer(frame, 0), 0);

    int bFrames = 0;
    const auto drain = [&] {
        while (avcodec_receive_packet(encoder, packet) == 0) {
            if (packet->pts != packet->dts)
                ++bFrames;
            av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            ASSERT_GE(av_interleaved_write_frame(format, packet), 0);
        }
    };
    for (int n = 0; n < count; ++n) {
        ASSERT_GE(av_frame_make_writable(frame), 0);
        const Bytes rgb = PatternRgb(width, height, n);
        const uint8_t *const source[1] = {rgb.data()};
        const int sourceStride[1] = {width * 3};
        sws_scale(scaler, source, sourceStride, 0, height, frame->data, frame->linesize);
        frame->pts = n;
        ASSERT_GE(avcodec_send_frame(encoder, frame), 0);
        drain();
    }
    ASSERT_GE(avcodec_send_frame(encoder, nullptr), 0);
    drain();
    ASSERT_GE(av_write_trailer(format), 0);
    // Reordered frames: the movie is stored out of the order it is shown.
    EXPECT_GT(bFrames, 0);

    av_packet_free(&packet);
    av_frame_free(&frame);
    sws_freeContext(scaler);
    avcodec_free_context(&encoder);
    avio_closep(&format->pb);
    avformat_free_context(format);
}

} // namespace

// Each frame reads back as the picture that was shown at its number, whether
// read from the start, in any order, or again.
TEST(AviReader, MovieWithBFramesReadsEveryFrameInItsOwnPlace)
{
    constexpr int Width = 64;
    constexpr int Height = 48;
    constexpr int Frames = 20;
    WriteBFrameMovie(HostPath(QStringLiteral("bframes.avi")), Width, Height, Frames);

    CAviFile avi;
    ASSERT_EQ(avi.OpenRead(TestPath(QStringLiteral("bframes.avi"))), aviSuccess);
    AviStreamInfo info;
    ASSERT_EQ(avi.GetStreamInfo(&info), aviSuccess);
    EXPECT_EQ(info.length, uint32_t(Frames));

    std::vector<Bytes> inOrder;
    for (int n = 0; n < Frames; ++n) {
        SCOPED_TRACE(n);
        const ReadBack read = ReadOneFrame(avi, n);
        ASSERT_EQ(read.result, aviSuccess);
        ASSERT_EQ(read.width, unsigned(Width));
        ASSERT_EQ(read.height, unsigned(Height));
        const double own = MeanError(read.rgb, PatternRgb(Width, Height, n));
        EXPECT_LT(own, 6.0);
        for (int other = 0; other < Frames; ++other) {
            if (other != n) {
                EXPECT_LT(own, MeanError(read.rgb, PatternRgb(Width, Height, other))) << other;
            }
        }
        inOrder.push_back(read.rgb);
    }
    EXPECT_EQ(ReadOneFrame(avi, Frames).result, aviGetFormatFailed);

    std::vector<int> order(Frames);
    std::iota(order.begin(), order.end(), 0);
    std::mt19937 random(11);
    std::shuffle(order.begin(), order.end(), random);
    order.insert(order.end(), {Frames - 1, Frames - 2, 0, 1, 2, 13, 12, Frames - 1, 0});
    for (const int n : order) {
        SCOPED_TRACE(n);
        const ReadBack read = ReadOneFrame(avi, n);
        ASSERT_EQ(read.result, aviSuccess);
        EXPECT_EQ(read.rgb, inOrder[size_t(n)]);
    }
}
