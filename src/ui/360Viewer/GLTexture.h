#pragma once

#include <QOpenGLFunctions>
#include <QSize>

// One 2D texture of a sphere view: bilinear, clamped to the edge. Storage is defined anew when
// the size or format changes (or when asked) and written in place otherwise. Used with a current
// context on the thread of its view.
class GLTexture {
  public:
    // What one upload sends: `pixels` (borrowed for the call) of `size`, rows of `rowLength`
    // pixels (0: packed), GL_BGRA bytes into RGBA or GL_RED bytes into one channel.
    struct Pixels {
        const void* pixels;
        QSize size;
        GLenum format;
        int rowLength;
    };

    void create(QOpenGLFunctions& gl);
    // Binds the texture on `unit` (0-based).
    void bind(QOpenGLFunctions& gl, int unit) const;
    // Binds on `unit` and uploads; `redefine` forces new storage.
    void upload(QOpenGLFunctions& gl, int unit, const Pixels& pixels, bool redefine = false);
    void destroy(QOpenGLFunctions& gl);

  private:
    GLuint id = 0;
    QSize allocated;  // empty before the first upload
    GLenum allocatedFormat = 0;
};
