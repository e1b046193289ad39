#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QOpenGLShader;
class QOpenGLShaderProgram;

// One vertex shader and one or two fragment shaders (the view's own and a library of functions
// it declares) linked with the attributes of GLMesh at their locations and
// "samplerA" on texture unit 0. Used with the view's context current, on its thread.
class GLProgram {
  public:
    GLProgram();
    ~GLProgram();
    GLProgram(const GLProgram&) = delete;
    GLProgram& operator=(const GLProgram&) = delete;

    // The text of a resource file, empty when it cannot be read.
    static QByteArray resource(const QString& path);

    // Compiles, links and binds; failures are logged under `tag` (a literal). Whether it linked.
    // A non-empty `fragmentLibrary` is a second fragment shader linked beside the first.
    bool build(const char* tag, const QByteArray& vertexSource, const QByteArray& fragmentSource,
               const QByteArray& fragmentLibrary = QByteArray());
    void destroy();
    bool isLinked() const { return linked; }
    // The program, null before build and after destroy.
    QOpenGLShaderProgram* get() const { return program.get(); }

  private:
    std::unique_ptr<QOpenGLShaderProgram> program;
    std::unique_ptr<QOpenGLShader> vertexShader;
    std::unique_ptr<QOpenGLShader> fragmentShader;
    std::unique_ptr<QOpenGLShader> libraryShader;
    bool linked = false;
};
