#pragma once

#include <QByteArray>
#include <QColor>
#include <QOpenGLFunctions>
#include <QOpenGLVertexArrayObject>

#include <functional>

#include "GLFrameTexture.h"
#include "GLProgram.h"
#include "VideoFrame.h"

class GLMesh;
class QOpenGLShaderProgram;

// What each player view holds to draw the shared frame: the program and its two shaders, the
// vertex array, the frame (reference counted) and its texture. Main thread, with the view's
// context current for the GL calls.
class GLFrameProgram {
  public:
    // `logTag` names the view in the log (borrowed, a literal).
    explicit GLFrameProgram(const char* logTag) : tag(logTag) {}
    GLFrameProgram(const GLFrameProgram&) = delete;
    GLFrameProgram& operator=(const GLFrameProgram&) = delete;

    // Compiles and links the two sources, creates and binds the vertex array and the texture.
    // Failures are logged; the view then draws black.
    void create(QOpenGLFunctions& gl, const QByteArray& vertexSource,
                const QByteArray& fragmentSource);
    void destroy(QOpenGLFunctions& gl);

    void setFrame(const QtAV::VideoFrame& frame);
    void clearFrame();
    // Frees the texture's storage; the context is current.
    void releaseTexture(QOpenGLFunctions& gl) { texture.release(gl); }
    const QtAV::VideoFrame& frame() const { return current; }

    // Clears to black; when the frame can be drawn, binds the program, sets "srcAWidth" and
    // "srcAHeight", lets `setUniforms` add its own, binds `mesh` and the frame and draws.
    void paint(QOpenGLFunctions& gl, const GLMesh& mesh,
               const std::function<void(QOpenGLShaderProgram&)>& setUniforms);

  private:
    const char* tag;
    QtAV::VideoFrame current;  // shared with the panel
    bool frameChanged = false;
    QColor clearColor = Qt::black;
    // GL objects, valid between create and destroy.
    GLProgram program;
    QOpenGLVertexArrayObject vertexArray;
    GLFrameTexture texture;
    int maxTextureSize = 0;
};
