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
                      const QByteArray& fragmentSource, const QByteArray& fragmentLibrary) {
    destroy();
    program = std::make_unique<QOpenGLShaderProgram>();
    vertexShader = std::make_unique<QOpenGLShader>(QOpenGLShader::Vertex);
    fragmentShader = std::make_unique<QOpenGLShader>(QOpenGLShader::Fragment);
    bool compiled = vertexShader->compileSourceCode(vertexSource) &&
                    fragmentShader->compileSourceCode(fragmentSource);
    if (!fragmentLibrary.isEmpty()) {
        libraryShader = std::make_unique<QOpenGLShader>(QOpenGLShader::Fragment);
        compiled = libraryShader->compileSourceCode(fragmentLibrary) && compiled;
    }
    if (!compiled)
        LogSystem::e(tag, "shader compile failed: %s%s%s", qPrintable(vertexShader->log()),
                     qPrintable(fragmentShader->log()),
                     libraryShader ? qPrintable(libraryShader->log()) : "");
    program->addShader(vertexShader.get());
    program->addShader(fragmentShader.get());
    if (libraryShader) program->addShader(libraryShader.get());
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
    libraryShader.reset();
    linked = false;
}
