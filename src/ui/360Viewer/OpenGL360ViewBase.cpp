#include "OpenGL360ViewBase.h"

#include <QMouseEvent>
#include <QOpenGLShaderProgram>
#include <QVBoxLayout>
#include <QWheelEvent>

static void initViewer360Resources() { Q_INIT_RESOURCE(glsl); }

namespace {

const char* const kTag = "OpenGL360Viewer";
const int kNumSlices = 360;
const char* const kButtonStyle = "border-image:url(:/images/Drumvale/icon_angle_bg.png);";
// The player's vertex stage: with isSphere it turns the sphere and projects it.
const char* const kVertexShader = ":/glsl/VertexDewarp.vsh";

}  // namespace

OpenGL360ViewBase::OpenGL360ViewBase(QWidget* parent, QWidget* angleViewParent,
                                     QVBoxLayout* angleViewLayout)
    : QOpenGLWidget(parent), resetButton(angleViewParent, angleViewLayout, kButtonStyle) {
    initViewer360Resources();
    connect(&resetButton, &AngleResetButton::clicked, this, &OpenGL360ViewBase::onResetBtnClicked);
}

OpenGL360ViewBase::~OpenGL360ViewBase() = default;

void OpenGL360ViewBase::destroyGL() {
    if (!initialized) return;
    makeCurrent();
    destroyTextures();
    sphere.destroy(*this);
    vertexArray.destroy();
    shaders.destroy();
    initialized = false;
    doneCurrent();
}

void OpenGL360ViewBase::getGLViewerParams(int* zoom, float* angleX, float* angleY) const {
    control.getParams(zoom, angleX, angleY);
}

void OpenGL360ViewBase::setResetButtonVisible(bool visible) { resetButton.setVisible(visible); }

void OpenGL360ViewBase::moveAngleView(QWidget* parent, QVBoxLayout* layout) {
    resetButton.move(parent, layout);
}

void OpenGL360ViewBase::toCoordinate(int x, int y, double* latitude, double* longitude) const {
    control.toCoordinate(x, y, size(), latitude, longitude);
}

void OpenGL360ViewBase::toScreenPosition(double latitude, double longitude, int* x, int* y) const {
    control.toScreenPosition(latitude, longitude, size(), x, y);
}

void OpenGL360ViewBase::onResetBtnClicked() {
    if (control.startReset()) update();
}

void OpenGL360ViewBase::repaintIfInitialized() {
    if (initialized) update();
}

void OpenGL360ViewBase::initializeGL() {
    initializeOpenGLFunctions();
    shaders.build(kTag, GLProgram::resource(kVertexShader), fragmentSource());
    vertexArray.create();
    vertexArray.bind();
    createTextures();
    sphere.createSphere(*this, kNumSlices);
    resetButton.create();
    updateAnglePicture();
    initialized = true;
}

void OpenGL360ViewBase::resizeGL(int w, int h) { GLMesh::squareViewport(*this, w, h); }

void OpenGL360ViewBase::paintGL() {
    glClearColor(clearColor.redF(), clearColor.greenF(), clearColor.blueF(), clearColor.alphaF());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (shaders.isLinked() && hasSource()) {
        program()->bind();
        control.setMatrices(*program(), size());
        program()->setUniformValue("isSphere", true);
        QOpenGLVertexArrayObject::Binder binder(&vertexArray);
        sphere.bind(*this);
        drawSource();
        sphere.draw(*this);
    }
    if (control.isResetting()) {
        control.resetStep();
        updateAnglePicture();
        update();
    }
}

void OpenGL360ViewBase::mousePressEvent(QMouseEvent* event) { control.press(event->localPos()); }

void OpenGL360ViewBase::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton) return;
    control.drag(event->localPos());
    resetButton.redraw(control.angleY());
    update();
}

void OpenGL360ViewBase::mouseReleaseEvent(QMouseEvent*) { update(); }

void OpenGL360ViewBase::wheelEvent(QWheelEvent* event) {
    control.wheel(event->angleDelta().y());
    updateAnglePicture();
    update();
}

void OpenGL360ViewBase::updateAnglePicture() {
    resetButton.setPicture(QImage(AngleResetButton::viewerPicture(control.zoom())));
    resetButton.redraw(control.angleY());
}
