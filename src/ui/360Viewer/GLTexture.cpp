#include "GLTexture.h"

#ifndef GL_R8
#define GL_R8 0x8229
#endif

void GLTexture::create(QOpenGLFunctions& gl) {
    gl.glGenTextures(1, &id);
    gl.glBindTexture(GL_TEXTURE_2D, id);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void GLTexture::bind(QOpenGLFunctions& gl, int unit) const {
    gl.glActiveTexture(GL_TEXTURE0 + unit);
    gl.glBindTexture(GL_TEXTURE_2D, id);
}

void GLTexture::upload(QOpenGLFunctions& gl, int unit, const Pixels& p, bool redefine) {
    bind(gl, unit);
    // Rows of single-byte planes need not start on 4-byte boundaries.
    gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, p.rowLength);
    if (redefine || allocated != p.size || allocatedFormat != p.format) {
        const GLint internal = p.format == GL_RED ? GL_R8 : GL_RGBA;
        gl.glTexImage2D(GL_TEXTURE_2D, 0, internal, p.size.width(), p.size.height(), 0, p.format,
                        GL_UNSIGNED_BYTE, p.pixels);
        allocated = p.size;
        allocatedFormat = p.format;
    } else {
        gl.glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, p.size.width(), p.size.height(), p.format,
                           GL_UNSIGNED_BYTE, p.pixels);
    }
    gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

void GLTexture::destroy(QOpenGLFunctions& gl) {
    gl.glDeleteTextures(1, &id);
    id = 0;
    allocated = QSize();
    allocatedFormat = 0;
}
