#pragma once

// RAII holders for FFmpeg handles. Each holder owns its handle and frees it
// with the matching FFmpeg call; a null holder is valid and frees nothing.
// Header only, shared by every FFmpeg user of the media layer.

#include <cstdio>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/buffer.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace ffh {

// Input format context (avformat_open_input): closed with avformat_close_input.
struct InputFormatDeleter {
    void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatDeleter>;

// Output format context (avformat_alloc_output_context2): closes its pb when
// the context opened one (no AVFMT_NOFILE), then frees the context.
struct OutputFormatDeleter {
    void operator()(AVFormatContext* ctx) const {
        if (ctx->pb && ctx->oformat && !(ctx->oformat->flags & AVFMT_NOFILE)) avio_closep(&ctx->pb);
        avformat_free_context(ctx);
    }
};
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;

struct CodecContextDeleter {
    void operator()(AVCodecContext* ctx) const { avcodec_free_context(&ctx); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;

struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

struct PacketDeleter {
    void operator()(AVPacket* pkt) const { av_packet_free(&pkt); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

struct SwsDeleter {
    void operator()(SwsContext* ctx) const { sws_freeContext(ctx); }
};
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;

struct SwrDeleter {
    void operator()(SwrContext* ctx) const { swr_free(&ctx); }
};
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;

struct FilterGraphDeleter {
    void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;

struct AudioFifoDeleter {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;

// Open pad list of a filter graph description (avfilter_inout_alloc / avfilter_graph_parse_ptr).
struct FilterInOutDeleter {
    void operator()(AVFilterInOut* io) const { avfilter_inout_free(&io); }
};
using FilterInOutPtr = std::unique_ptr<AVFilterInOut, FilterInOutDeleter>;

// Pool of equal-sized buffers: uninit lets buffers still handed out return
// and frees the pool with the last of them.
struct BufferPoolDeleter {
    void operator()(AVBufferPool* pool) const { av_buffer_pool_uninit(&pool); }
};
using BufferPoolPtr = std::unique_ptr<AVBufferPool, BufferPoolDeleter>;

inline FramePtr makeFrame() { return FramePtr(av_frame_alloc()); }
inline PacketPtr makePacket() { return PacketPtr(av_packet_alloc()); }

// Text of an FFmpeg error code. The buffer is thread_local: the pointer stays
// valid on the calling thread until its next call.
inline const char* errorText(int err) {
    thread_local char buf[AV_ERROR_MAX_STRING_SIZE + 64];
    if (av_strerror(err, buf, sizeof(buf)) < 0) snprintf(buf, sizeof(buf), "error %d", err);
    return buf;
}

}  // namespace ffh
