#pragma once

#include <QMetaType>
#include <QString>

namespace QtAV {

// Pixel format of a video frame. Named formats carry stable values; any
// other FFmpeg pixel format is kept as such and reported as Format_User.
class VideoFormat {
  public:
    enum PixelFormat {
        Format_Invalid = -1,
        Format_ARGB32 = 0,  // bytes A, R, G, B
        Format_BGRA32 = 1,  // bytes B, G, R, A (QImage::Format_ARGB32 on little-endian)
        Format_RGB32 = Format_BGRA32,
        Format_ABGR32 = 2,  // bytes A, B, G, R
        Format_RGBA32 = 3,  // bytes R, G, B, A
        Format_RGB24 = 4,   // bytes R, G, B
        Format_BGR24 = 5,   // bytes B, G, R
        Format_YUV420P = 6,
        Format_NV12 = 7,
        Format_YUV422P = 8,
        Format_YUV444P = 9,
        Format_YUVJ420P = 10,
        Format_User = 1000  // a format without a name here; see pixelFormatFFmpeg()
    };

    // An invalid format for Format_Invalid and Format_User.
    VideoFormat(PixelFormat format = Format_Invalid);  // NOLINT: implicit by design
    // From an FFmpeg AVPixelFormat value; -1 (AV_PIX_FMT_NONE) gives an invalid format.
    static VideoFormat fromFFmpeg(int avPixelFormat);

    bool isValid() const;
    PixelFormat pixelFormat() const;
    // The AVPixelFormat value, -1 when invalid.
    int pixelFormatFFmpeg() const;
    // Number of planes (1 for packed formats), 0 when invalid.
    int planeCount() const;
    // Bits per pixel of all planes together (12 for YUV 4:2:0), 0 when invalid.
    int bitsPerPixel() const;
    bool isRGB() const;
    bool hasAlpha() const;
    QString name() const;

    bool operator==(const VideoFormat& other) const;
    bool operator!=(const VideoFormat& other) const { return !(*this == other); }

  private:
    int avFormat = -1;
};

}  // namespace QtAV

Q_DECLARE_METATYPE(QtAV::VideoFormat)
