#include "VideoFormat.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace QtAV {

namespace {

struct NamedFormat {
    VideoFormat::PixelFormat format;
    AVPixelFormat av;
};

// Named formats and their FFmpeg counterparts; byte orders match exactly.
const NamedFormat kNamed[] = {
    {VideoFormat::Format_ARGB32, AV_PIX_FMT_ARGB},
    {VideoFormat::Format_BGRA32, AV_PIX_FMT_BGRA},
    {VideoFormat::Format_ABGR32, AV_PIX_FMT_ABGR},
    {VideoFormat::Format_RGBA32, AV_PIX_FMT_RGBA},
    {VideoFormat::Format_RGB24, AV_PIX_FMT_RGB24},
    {VideoFormat::Format_BGR24, AV_PIX_FMT_BGR24},
    {VideoFormat::Format_YUV420P, AV_PIX_FMT_YUV420P},
    {VideoFormat::Format_NV12, AV_PIX_FMT_NV12},
    {VideoFormat::Format_YUV422P, AV_PIX_FMT_YUV422P},
    {VideoFormat::Format_YUV444P, AV_PIX_FMT_YUV444P},
    {VideoFormat::Format_YUVJ420P, AV_PIX_FMT_YUVJ420P},
};

const AVPixFmtDescriptor* descriptor(int avFormat) {
    return avFormat < 0 ? nullptr : av_pix_fmt_desc_get(static_cast<AVPixelFormat>(avFormat));
}

}  // namespace

VideoFormat::VideoFormat(PixelFormat format) {
    for (const NamedFormat& named : kNamed) {
        if (named.format == format) avFormat = named.av;
    }
}

VideoFormat VideoFormat::fromFFmpeg(int avPixelFormat) {
    VideoFormat format;
    if (descriptor(avPixelFormat)) format.avFormat = avPixelFormat;
    return format;
}

bool VideoFormat::isValid() const { return avFormat >= 0; }

VideoFormat::PixelFormat VideoFormat::pixelFormat() const {
    if (!isValid()) return Format_Invalid;
    for (const NamedFormat& named : kNamed) {
        if (named.av == avFormat) return named.format;
    }
    return Format_User;
}

int VideoFormat::pixelFormatFFmpeg() const { return avFormat; }

int VideoFormat::planeCount() const {
    const int planes =
        isValid() ? av_pix_fmt_count_planes(static_cast<AVPixelFormat>(avFormat)) : 0;
    return planes < 0 ? 0 : planes;
}

int VideoFormat::bitsPerPixel() const {
    const AVPixFmtDescriptor* desc = descriptor(avFormat);
    return desc ? av_get_bits_per_pixel(desc) : 0;
}

bool VideoFormat::isRGB() const {
    const AVPixFmtDescriptor* desc = descriptor(avFormat);
    return desc && (desc->flags & AV_PIX_FMT_FLAG_RGB);
}

bool VideoFormat::hasAlpha() const {
    const AVPixFmtDescriptor* desc = descriptor(avFormat);
    return desc && (desc->flags & AV_PIX_FMT_FLAG_ALPHA);
}

QString VideoFormat::name() const {
    const AVPixFmtDescriptor* desc = descriptor(avFormat);
    return desc ? QString::fromLatin1(desc->name) : QStringLiteral("invalid");
}

bool VideoFormat::operator==(const VideoFormat& other) const { return avFormat == other.avFormat; }

}  // namespace QtAV
