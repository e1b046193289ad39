#pragma once

#include <QByteArray>
#include <QImage>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QSize>

#include "VideoFormat.h"

struct AVFrame;

namespace QtAV {

class VideoFramePrivate;

// One video picture with its time stamp. Implicitly shared: copies share the
// pixels (reference counted, safe to pass between threads); bits() detaches
// before handing out writable memory. Registered for queued connections as
// "QtAV::VideoFrame" (see registerMetaTypes()).
class VideoFrame {
  public:
    // An invalid frame: no pixels, width and height 0.
    VideoFrame();
    // A frame of the given size and format. `data` holds the planes one after
    // the other with rows packed (no padding); an empty `data` allocates
    // zero-filled planes. Data of the wrong size, or a size above PictureLimits, gives an
    // invalid frame.
    VideoFrame(int width, int height, const VideoFormat& format,
               const QByteArray& data = QByteArray());
    // A deep copy of the image as Format_BGRA32; a null image, or one above PictureLimits,
    // gives an invalid frame.
    explicit VideoFrame(const QImage& image);
    VideoFrame(const VideoFrame& other);
    VideoFrame& operator=(const VideoFrame& other);
    ~VideoFrame();

    // Shares (references, does not copy) the buffers of a decoded frame.
    // `timestamp` is in seconds. A null or empty frame gives an invalid frame.
    static VideoFrame fromAVFrame(const AVFrame* frame, double timestamp);
    // The underlying frame, null when invalid. Borrowed: valid while this
    // VideoFrame (or a copy) lives; do not modify.
    const AVFrame* avFrame() const;

    bool isValid() const;
    int width() const;
    int height() const;
    QSize size() const;
    VideoFormat format() const;
    VideoFormat::PixelFormat pixelFormat() const;
    int planeCount() const;
    // Bytes from one row to the next in `plane`; 0 for a plane that does not exist.
    int bytesPerLine(int plane = 0) const;
    // First byte of `plane`, null for a plane that does not exist. Borrowed
    // while this frame lives.
    const uchar* constBits(int plane = 0) const;
    // Writable first byte of `plane`; detaches from shared copies first.
    uchar* bits(int plane = 0);

    // Presentation time in seconds; negative when unknown.
    double timestamp() const;
    void setTimestamp(double seconds);

    // A deep copy as QImage::Format_ARGB32; a null image when invalid or not convertible.
    QImage toImage() const;

  private:
    QSharedDataPointer<VideoFramePrivate> d;
};

// Registers VideoFrame ("QtAV::VideoFrame") and VideoFormat for queued
// connections. Idempotent, any thread; the layer's classes call it themselves.
void registerMetaTypes();

}  // namespace QtAV

Q_DECLARE_METATYPE(QtAV::VideoFrame)
