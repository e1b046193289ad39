#include "GLProgram.h"

#include <QFile>
#include <QOpenGLShader>
#include <QOpenGLShaderProgram>

#include "GLMesh.h"
#include "LogSystem.h"

GLProgram::GLProgram() = default;

GLProgram::~GLProgram() { destroy(); }

QByteArray GLProgram::resource(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool GLProgram::build(const char* tag, const QByteArray& vertexSource,
                      const QByteArray& fragmentSource) {
    destroy();
    program = std::make_unique<QOpenGLShaderProgram>();
    vertexShader = std::make_unique<QOpenGLShader>(QOpenGLShader::Vertex);
    fragmentShader = std::make_unique<QOpenGLShader>(QOpenGLShader::Fragment);
    if (!vertexShader->compileSourceCode(vertexSource) ||
        !fragmentShader->compileSourceCode(fragmentSource))
        LogSystem::e(tag, "shader compile failed: %s%s", qPrintable(vertexShader->log()),
                     qPrintable(fragmentShader->log()));
    program->addShader(vertexShader.get());
    program->addShader(fragmentShader.get());
    program->bindAttributeLocation("position", GLMesh::kPositionLocation);
    program->bindAttributeLocation("texCoordIn", GLMesh::kTexCoordLocation);
    linked = program->link();
    if (!linked) {
        LogSystem::e(tag, "shader link failed: %s", qPrintable(program->log()));
        return false;
    }
    program->bind();
    program->setUniformValue("samplerA", 0);
    return true;
}

void GLProgram::destroy() {
    program.reset();
    vertexShader.reset();
    fragmentShader.reset();
    linked = false;
}
