#include "PlayerNormalGLView.h"

namespace {

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
    if (!initialized) return;
    makeCurrent();
    surface.destroy(*this);
    drawing.destroy(*this);
    doneCurrent();
}

void PlayerNormalGLView::setRawData(const QtAV::VideoFrame& videoFrame) {
    drawing.setFrame(videoFrame);
    if (initialized) update();
}

QtAV::VideoFrame PlayerNormalGLView::getRawData() const { return drawing.frame(); }

QImage PlayerNormalGLView::getImage() const {
    const QtAV::VideoFrame& frame = drawing.frame();
    if (!GLFrameTexture::hasBgraPixels(frame)) return QImage();
    auto* kept = new QtAV::VideoFrame(frame);
    return QImage(kept->constBits(0), kept->width(), kept->height(), kept->bytesPerLine(0),
                  QImage::Format_ARGB32, releaseFrame, kept);
}

void PlayerNormalGLView::clearSource() {
    drawing.clearFrame();
    if (!initialized) return;
    makeCurrent();
    drawing.releaseTexture(*this);
    doneCurrent();
}

void PlayerNormalGLView::initializeGL() {
    initializeOpenGLFunctions();
    drawing.create(*this, kVertexSource, kFragmentSource);
    surface.createSurface(*this, GLMesh::kFlatSlices);
    initialized = true;
}

void PlayerNormalGLView::resizeGL(int w, int h) { GLMesh::squareViewport(*this, w, h); }

void PlayerNormalGLView::paintGL() {
    drawing.paint(*this, surface, [](QOpenGLShaderProgram&) {});
}
