#include "FFMpegStreamDecoder.h"

#include <cstring>

#include "LogSystem.h"

namespace {
const char* const kTag = "FFMpegStreamDecoder";
}

FFMpegStreamDecoder::FFMpegStreamDecoder(int width, int height)
    : width_(width), height_(height), converter_(AV_PIX_FMT_BGRA, SWS_FAST_BILINEAR) {
    packet_ = ffh::makePacket();
    decoded_ = ffh::makeFrame();
    const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (!decoder) {
        LogSystem::e(kTag, "avcodec_find_decoder failed");
        return;
    }
    codec_.reset(avcodec_alloc_context3(decoder));
    if (!codec_ || !packet_ || !decoded_ || width < 1 || height < 1)
        return;
    codec_->width = width;
    codec_->height = height;
    codec_->pix_fmt = AV_PIX_FMT_YUV420P;
    int err = avcodec_open2(codec_.get(), decoder, nullptr);
    if (err < 0) {
        LogSystem::e(kTag, "avcodec_open2 failed:%d", err);
        return;
    }
    error_ = false;
}

FFMpegStreamDecoder::~FFMpegStreamDecoder() { releaseResource(); }

QByteArray FFMpegStreamDecoder::decodeBuf(const unsigned char* data, int length) {
    if (error_ || !data || length <= 0 || av_new_packet(packet_.get(), length) < 0)
        return QByteArray();
    memcpy(packet_->data, data, length);
    int err = avcodec_send_packet(codec_.get(), packet_.get());
    av_packet_unref(packet_.get());
    if (err < 0 || avcodec_receive_frame(codec_.get(), decoded_.get()) < 0)
        return QByteArray();
    const int size = converter_.bufferSize(width_, height_);
    QByteArray out(size + FFMpegFrameConverter::kScalerSlack, Qt::Uninitialized);
    err = converter_.convertInto(decoded_.get(), reinterpret_cast<uint8_t*>(out.data()),
                                 width_, height_);
    av_frame_unref(decoded_.get());
    if (err < 0)
        return QByteArray();
    out.resize(size);
    return out;
}

int FFMpegStreamDecoder::getFrameWidth() { return codec_ ? codec_->width : 0; }

int FFMpegStreamDecoder::getFrameHeight() { return codec_ ? codec_->height : 0; }

void FFMpegStreamDecoder::releaseResource() {
    error_ = true;
    codec_.reset();
    decoded_.reset();
    packet_.reset();
}
