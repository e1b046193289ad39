#include "FFMpegStreamDecoder.h"

#include <cstring>

#include "LogSystem.h"

namespace {
const char* const kTag = "FFMpegStreamDecoder";
// Longest access unit taken.
const int kInputBufferSize = 200064;
}  // namespace

FFMpegStreamDecoder::FFMpegStreamDecoder(int width, int height)
    : width_(width), height_(height), converter_(AV_PIX_FMT_BGRA, SWS_FAST_BILINEAR) {
    packet_ = ffh::makePacket();
    decoded_ = ffh::makeFrame();
    const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (!decoder) {
        LogSystem::e(kTag, "avcodec_find_decoder failed");
        return;
    }
    if (!packet_ || !decoded_ || width < 1 || height < 1) return;
    const int err = codec_.open(nullptr, AVRational{0, 1}, decoder, 1);
    if (err < 0) {
        LogSystem::e(kTag, "avcodec_open2 failed:%d", err);
        return;
    }
    codec_.context()->width = width;
    codec_.context()->height = height;
    codec_.context()->pix_fmt = AV_PIX_FMT_YUV420P;
    error_ = false;
}

FFMpegStreamDecoder::~FFMpegStreamDecoder() { releaseResource(); }

QByteArray FFMpegStreamDecoder::decodeBuf(const unsigned char* data, int length) {
    if (error_ || !data || length <= 0 || length > kInputBufferSize ||
        av_new_packet(packet_.get(), length) < 0)
        return QByteArray();
    memcpy(packet_->data, data, length);
    int err = codec_.send(packet_.get());
    av_packet_unref(packet_.get());
    if (err < 0 || codec_.receive(decoded_.get()) < 0) return QByteArray();
    const int size = converter_.bufferSize(width_, height_);
    QByteArray out(size + FFMpegFrameConverter::kScalerSlack, Qt::Uninitialized);
    err = converter_.convertInto(decoded_.get(), reinterpret_cast<uint8_t*>(out.data()), width_,
                                 height_);
    av_frame_unref(decoded_.get());
    if (err < 0) return QByteArray();
    out.resize(size);
    return out;
}

int FFMpegStreamDecoder::getFrameWidth() { return codec_.isOpen() ? codec_.context()->width : 0; }

int FFMpegStreamDecoder::getFrameHeight() { return codec_.isOpen() ? codec_.context()->height : 0; }

void FFMpegStreamDecoder::releaseResource() {
    error_ = true;
    codec_.close();
    decoded_.reset();
    packet_.reset();
}
