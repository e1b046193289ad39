#include "VideoFrame.h"

#include <cstring>
#include <mutex>

#include <QSharedData>

extern "C" {
#include <libavutil/imgutils.h>
}

#include "FFMpegHandles.h"
#include "PictureLimits.h"
#include "VideoFrameConverter.h"

namespace QtAV {

namespace {

// A frame of the given size and format with packed, uninitialised planes; null on failure.
// Frames made from caller data are held to the limit of decoded pictures.
ffh::FramePtr allocPacked(int width, int height, int avFormat) {
    if (width <= 0 || height <= 0 || !PictureLimits::allows(width, height) || avFormat < 0)
        return nullptr;
    ffh::FramePtr frame = ffh::makeFrame();
    if (!frame) return nullptr;
    frame->width = width;
    frame->height = height;
    frame->format = avFormat;
    if (av_frame_get_buffer(frame.get(), 1) < 0) return nullptr;
    return frame;
}

// Packed size in bytes of one plane of `frame`.
int planeBytes(const AVFrame* frame, int plane, int lines) {
    return frame->linesize[plane] * lines;
}

// Row counts of each plane.
void planeLines(const AVFrame* frame, int lines[4]) {
    const AVPixelFormat format = static_cast<AVPixelFormat>(frame->format);
    ptrdiff_t linesizes[4];
    for (int i = 0; i < 4; ++i) linesizes[i] = frame->linesize[i];
    size_t sizes[4] = {0, 0, 0, 0};
    av_image_fill_plane_sizes(sizes, format, frame->height, linesizes);
    for (int i = 0; i < 4; ++i)
        lines[i] = frame->linesize[i] > 0 ? static_cast<int>(sizes[i] / frame->linesize[i]) : 0;
}

}  // namespace

class VideoFramePrivate : public QSharedData {
  public:
    VideoFramePrivate() = default;
    // Detach: shares the buffers; bits() makes them writable (copies) when still shared.
    VideoFramePrivate(const VideoFramePrivate& other)
        : QSharedData(other),
          frame(other.frame ? av_frame_clone(other.frame.get()) : nullptr),
          timestamp(other.timestamp) {}

    ffh::FramePtr frame;  // null for an invalid frame
    double timestamp = -1;
};

VideoFrame::VideoFrame() : d(new VideoFramePrivate) {}

VideoFrame::VideoFrame(int width, int height, const VideoFormat& format, const QByteArray& data)
    : d(new VideoFramePrivate) {
    ffh::FramePtr frame = allocPacked(width, height, format.pixelFormatFFmpeg());
    if (!frame) return;
    int lines[4];
    planeLines(frame.get(), lines);
    int total = 0;
    for (int i = 0; i < 4; ++i) total += planeBytes(frame.get(), i, lines[i]);
    if (!data.isEmpty() && data.size() != total) return;
    const char* src = data.constData();
    for (int i = 0; i < 4 && frame->data[i]; ++i) {
        const int bytes = planeBytes(frame.get(), i, lines[i]);
        if (data.isEmpty())
            std::memset(frame->data[i], 0, bytes);
        else
            std::memcpy(frame->data[i], src, bytes);
        src += bytes;
    }
    d->frame = std::move(frame);
}

VideoFrame::VideoFrame(const QImage& image) : d(new VideoFramePrivate) {
    if (image.isNull()) return;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const VideoFormat format(Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? VideoFormat::Format_BGRA32
                                                             : VideoFormat::Format_ARGB32);
    ffh::FramePtr frame = allocPacked(argb.width(), argb.height(), format.pixelFormatFFmpeg());
    if (!frame) return;
    for (int y = 0; y < argb.height(); ++y)
        std::memcpy(frame->data[0] + y * frame->linesize[0], argb.constScanLine(y),
                    argb.width() * 4);
    d->frame = std::move(frame);
}

VideoFrame::VideoFrame(const VideoFrame& other) = default;
VideoFrame& VideoFrame::operator=(const VideoFrame& other) = default;
VideoFrame::~VideoFrame() = default;

VideoFrame VideoFrame::fromAVFrame(const AVFrame* frame, double timestamp) {
    VideoFrame result;
    if (!frame || frame->width <= 0 || frame->height <= 0 || frame->format < 0 || !frame->data[0])
        return result;
    result.d->frame.reset(av_frame_clone(frame));
    result.d->timestamp = timestamp;
    return result;
}

const AVFrame* VideoFrame::avFrame() const { return d->frame.get(); }

bool VideoFrame::isValid() const { return d->frame != nullptr; }

int VideoFrame::width() const { return d->frame ? d->frame->width : 0; }

int VideoFrame::height() const { return d->frame ? d->frame->height : 0; }

QSize VideoFrame::size() const { return QSize(width(), height()); }

VideoFormat VideoFrame::format() const {
    return d->frame ? VideoFormat::fromFFmpeg(d->frame->format) : VideoFormat();
}

VideoFormat::PixelFormat VideoFrame::pixelFormat() const { return format().pixelFormat(); }

int VideoFrame::planeCount() const { return format().planeCount(); }

int VideoFrame::bytesPerLine(int plane) const {
    if (plane < 0 || plane >= planeCount()) return 0;
    return d->frame->linesize[plane];
}

const uchar* VideoFrame::constBits(int plane) const {
    if (plane < 0 || plane >= planeCount()) return nullptr;
    return d->frame->data[plane];
}

uchar* VideoFrame::bits(int plane) {
    if (plane < 0 || plane >= planeCount()) return nullptr;
    if (av_frame_make_writable(d->frame.get()) < 0)  // detaches d first (non-const access)
        return nullptr;
    return d->frame->data[plane];
}

double VideoFrame::timestamp() const { return d->timestamp; }

void VideoFrame::setTimestamp(double seconds) { d->timestamp = seconds; }

QImage VideoFrame::toImage() const {
    const VideoFormat argb(Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? VideoFormat::Format_BGRA32
                                                           : VideoFormat::Format_ARGB32);
    const VideoFrame converted = VideoFrameConverter().convert(*this, argb);
    if (!converted.isValid()) return QImage();
    QImage image(converted.width(), converted.height(), QImage::Format_ARGB32);
    if (image.isNull()) return QImage();
    for (int y = 0; y < converted.height(); ++y) {
        std::memcpy(image.scanLine(y), converted.constBits() + y * converted.bytesPerLine(),
                    converted.width() * 4);
    }
    return image;
}

void registerMetaTypes() {
    static std::once_flag once;
    std::call_once(once, [] {
        qRegisterMetaType<QtAV::VideoFrame>("QtAV::VideoFrame");
        qRegisterMetaType<QtAV::VideoFormat>("QtAV::VideoFormat");
    });
}

}  // namespace QtAV
