#include "GLFrameProgram.h"

#include <QFile>
#include <QOpenGLShader>
#include <QOpenGLShaderProgram>

#include "GLMesh.h"
#include "LogSystem.h"

QByteArray GLFrameProgram::resource(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void GLFrameProgram::create(QOpenGLFunctions& gl, const QByteArray& vertexSource,
                            const QByteArray& fragmentSource) {
    gl.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    program = new QOpenGLShaderProgram();
    vertexShader = new QOpenGLShader(QOpenGLShader::Vertex);
    fragmentShader = new QOpenGLShader(QOpenGLShader::Fragment);
    if (!vertexShader->compileSourceCode(vertexSource) ||
        !fragmentShader->compileSourceCode(fragmentSource))
        LogSystem::e(tag, "shader compile failed: %s%s", qPrintable(vertexShader->log()),
                     qPrintable(fragmentShader->log()));
    programLinked = GLMesh::linkProgram(*program, vertexShader, fragmentShader);
    if (!programLinked) LogSystem::e(tag, "shader link failed: %s", qPrintable(program->log()));
    vertexArray.create();
    vertexArray.bind();
    texture.create(gl);
}

void GLFrameProgram::destroy(QOpenGLFunctions& gl) {
    current = QtAV::VideoFrame();
    texture.destroy(gl);
    vertexArray.destroy();
    delete program;
    delete vertexShader;
    delete fragmentShader;
    program = nullptr;
    vertexShader = fragmentShader = nullptr;
    programLinked = false;
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
    if (!programLinked || !GLFrameTexture::isDrawable(current, maxTextureSize)) return;
    program->bind();
    program->setUniformValue("srcAWidth", static_cast<float>(current.width()));
    program->setUniformValue("srcAHeight", static_cast<float>(current.height()));
    setUniforms(*program);
    QOpenGLVertexArrayObject::Binder binder(&vertexArray);
    mesh.bind(gl);
    texture.bind(gl, current, frameChanged);
    frameChanged = false;
    mesh.draw(gl);
}
