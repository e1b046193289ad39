#include "VideoRenderer.h"

namespace QtAV {

VideoRenderer::VideoRenderer()
    : preferredFormat(VideoFormat::Format_RGB32), preferredForced(false) {
    registerMetaTypes();
}

VideoRenderer::~VideoRenderer() = default;

bool VideoRenderer::receive(const VideoFrame& frame) { return receiveFrame(frame); }

bool VideoRenderer::setPreferredPixelFormat(VideoFormat::PixelFormat format) {
    if (!VideoFormat(format).isValid()) return false;
    preferredFormat = format;
    return true;
}

VideoFormat::PixelFormat VideoRenderer::preferredPixelFormat() const {
    return static_cast<VideoFormat::PixelFormat>(preferredFormat.load());
}

void VideoRenderer::forcePreferredPixelFormat(bool force) { preferredForced = force; }

bool VideoRenderer::isPreferredPixelFormatForced() const { return preferredForced; }

}  // namespace QtAV
