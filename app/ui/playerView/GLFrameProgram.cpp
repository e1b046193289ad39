#include "GLFrameProgram.h"

#include <QOpenGLShaderProgram>

#include "GLMesh.h"

void GLFrameProgram::create(QOpenGLFunctions& gl, const QByteArray& vertexSource,
                            const QByteArray& fragmentSource) {
    gl.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    program.build(tag, vertexSource, fragmentSource);
    vertexArray.create();
    vertexArray.bind();
    texture.create(gl);
}

void GLFrameProgram::destroy(QOpenGLFunctions& gl) {
    current = QtAV::VideoFrame();
    texture.destroy(gl);
    vertexArray.destroy();
    program.destroy();
}

void GLFrameProgram::setFrame(const QtAV::VideoFrame& frame) {
    current = frame;
    frameChanged = true;
}

void GLFrameProgram::clearFrame() {
    current = QtAV::VideoFrame();
    frameChanged = false;
}

void GLFrameProgram::paint(QOpenGLFunctions& gl, const GLMesh& mesh,
                           const std::function<void(QOpenGLShaderProgram&)>& setUniforms) {
    gl.glClearColor(clearColor.redF(), clearColor.greenF(), clearColor.blueF(),
                    clearColor.alphaF());
    gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!program.isLinked() || !GLFrameTexture::isDrawable(current, maxTextureSize)) return;
    QOpenGLShaderProgram& linked = *program.get();
    linked.bind();
    linked.setUniformValue("srcAWidth", static_cast<float>(current.width()));
    linked.setUniformValue("srcAHeight", static_cast<float>(current.height()));
    setUniforms(linked);
    QOpenGLVertexArrayObject::Binder binder(&vertexArray);
    mesh.bind(gl);
    texture.bind(gl, current, frameChanged);
    frameChanged = false;
    mesh.draw(gl);
}
