#pragma once

#include <QOpenGLFunctions>

#include "GLTexture.h"
#include "VideoFrame.h"

// The texture of a player view's current frame on unit 0. Used with a current context on the
// thread of its view.
class GLFrameTexture {
  public:
    // Whether `frame` holds 32-bit BGRA pixels: non-empty, rows of at least width x 4 bytes in
    // whole pixels.
    static bool hasBgraPixels(const QtAV::VideoFrame& frame);
    // hasBgraPixels and no side above `maxSize` (the context's texture limit).
    static bool isDrawable(const QtAV::VideoFrame& frame, int maxSize);

    void create(QOpenGLFunctions& gl) { texture.create(gl); }
    // Binds the texture; uploads `frame` when `changed`. `frame` must be drawable.
    void bind(QOpenGLFunctions& gl, const QtAV::VideoFrame& frame, bool changed);
    void destroy(QOpenGLFunctions& gl) { texture.destroy(gl); }
    // Frees the storage (a frame's size in memory under a software renderer); the next bind
    // with a frame defines it anew.
    void release(QOpenGLFunctions& gl);

  private:
    GLTexture texture;
};
