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

void GLFrameTexture::create(QOpenGLFunctions& gl) {
    gl.glGenTextures(1, &id);
    gl.glBindTexture(GL_TEXTURE_2D, id);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void GLFrameTexture::bind(QOpenGLFunctions& gl, const QtAV::VideoFrame& frame, bool changed) {
    gl.glActiveTexture(GL_TEXTURE0);
    gl.glBindTexture(GL_TEXTURE_2D, id);
    if (!changed)
        return;
    gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, frame.bytesPerLine(0) / 4);
    if (allocated != frame.size()) {
        gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, frame.width(), frame.height(), 0, GL_BGRA,
                        GL_UNSIGNED_BYTE, frame.constBits(0));
        allocated = frame.size();
    } else {
        gl.glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, frame.width(), frame.height(), GL_BGRA,
                           GL_UNSIGNED_BYTE, frame.constBits(0));
    }
    gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

void GLFrameTexture::destroy(QOpenGLFunctions& gl) {
    gl.glDeleteTextures(1, &id);
    id = 0;
    allocated = QSize();
}
