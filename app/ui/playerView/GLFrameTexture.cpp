#include "GLFrameTexture.h"

bool GLFrameTexture::hasBgraPixels(const QtAV::VideoFrame& frame) {
    const int stride = frame.bytesPerLine(0);
    return frame.isValid() && frame.pixelFormat() == QtAV::VideoFormat::Format_BGRA32 &&
           frame.width() > 0 && frame.height() > 0 && stride >= frame.width() * 4 &&
           stride % 4 == 0 && frame.constBits(0) != nullptr;
}

bool GLFrameTexture::isDrawable(const QtAV::VideoFrame& frame, int maxSize) {
    return hasBgraPixels(frame) && frame.width() <= maxSize && frame.height() <= maxSize;
}

void GLFrameTexture::release(QOpenGLFunctions& gl) {
    texture.destroy(gl);
    texture.create(gl);
}

void GLFrameTexture::bind(QOpenGLFunctions& gl, const QtAV::VideoFrame& frame, bool changed) {
    if (!changed) {
        texture.bind(gl, 0);
        return;
    }
    texture.upload(gl, 0, {frame.constBits(0), frame.size(), GL_BGRA, frame.bytesPerLine(0) / 4});
}
