#include "PlayerNormalGLView.h"

#include <QOpenGLShader>
#include <QOpenGLShaderProgram>

#include <algorithm>

#include "LogSystem.h"

namespace {

const char* const kTag = "PlayerNormalGLView";
const int kNumSlices = 360;

const char* const kVertexSource =
    "#version 330 core\n"
    "in vec4 position;\n"
    "in vec2 texCoordIn;\n"
    "out vec2 texCoordOut;\n"
    "void main()\n"
    "{\n"
    "    texCoordOut = texCoordIn;\n"
    "    gl_Position = position;\n"
    "}\n";

const char* const kFragmentSource =
    "#version 330 core\n"
    "in vec2 texCoordOut;\n"
    "out vec4 fragColor;\n"
    "uniform sampler2D samplerA;\n"
    "void main()\n"
    "{\n"
    "    fragColor = texture(samplerA, texCoordOut);\n"
    "}\n";

// Keeps a frame alive while an image borrows its pixels.
void releaseFrame(void* info) { delete static_cast<QtAV::VideoFrame*>(info); }

}  // namespace

PlayerNormalGLView::PlayerNormalGLView(QWidget* parent) : QOpenGLWidget(parent) {}

PlayerNormalGLView::~PlayerNormalGLView() {
    if (!initialized)
        return;
    makeCurrent();
    frame = QtAV::VideoFrame();
    surface.destroy(*this);
    texture.destroy(*this);
    vertexArray.destroy();
    delete program;
    delete vertexShader;
    delete fragmentShader;
    doneCurrent();
}

void PlayerNormalGLView::setRawData(const QtAV::VideoFrame& videoFrame) {
    frame = videoFrame;
    frameChanged = true;
    srcWidth = static_cast<float>(frame.width());
    srcHeight = static_cast<float>(frame.height());
    if (initialized)
        update();
}

QImage PlayerNormalGLView::getImage() const {
    if (!GLFrameTexture::hasBgraPixels(frame))
        return QImage();
    auto* kept = new QtAV::VideoFrame(frame);
    return QImage(kept->constBits(0), kept->width(), kept->height(), kept->bytesPerLine(0),
                  QImage::Format_ARGB32, releaseFrame, kept);
}

void PlayerNormalGLView::clearSource() {
    frame = QtAV::VideoFrame();
    frameChanged = false;
}

void PlayerNormalGLView::initializeGL() {
    initializeOpenGLFunctions();
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    program = new QOpenGLShaderProgram();
    vertexShader = new QOpenGLShader(QOpenGLShader::Vertex);
    fragmentShader = new QOpenGLShader(QOpenGLShader::Fragment);
    vertexShader->compileSourceCode(kVertexSource);
    fragmentShader->compileSourceCode(kFragmentSource);
    programLinked = GLMesh::linkProgram(*program, vertexShader, fragmentShader);
    if (!programLinked)
        LogSystem::e(kTag, "shader link failed: %s", qPrintable(program->log()));
    vertexArray.create();
    vertexArray.bind();
    surface.createSurface(*this, kNumSlices);
    texture.create(*this);
    initialized = true;
}

void PlayerNormalGLView::resizeGL(int w, int h) {
    const int side = std::min(w, h);
    glViewport((w - side) / 2, (h - side) / 2, side, side);
}

void PlayerNormalGLView::paintGL() {
    glClearColor(clearColor.redF(), clearColor.greenF(), clearColor.blueF(), clearColor.alphaF());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!programLinked || !GLFrameTexture::isDrawable(frame, maxTextureSize))
        return;
    program->bind();
    program->setUniformValue("srcAWidth", srcWidth);
    program->setUniformValue("srcAHeight", srcHeight);
    QOpenGLVertexArrayObject::Binder binder(&vertexArray);
    surface.bind(*this);
    texture.bind(*this, frame, frameChanged);
    frameChanged = false;
    surface.draw(*this);
}
