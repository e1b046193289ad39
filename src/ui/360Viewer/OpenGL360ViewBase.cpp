#include "OpenGL360ViewBase.h"

#include <QMouseEvent>
#include <QOpenGLShaderProgram>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "EmbeddedResource.h"

static void initViewer360Resources() { RV_INIT_RESOURCE_ONCE(glsl); }

namespace {

// The vertex stage places the quad over the view; with isSphere the fragment stage's library
// finds the sphere point of each pixel.
const char* const kVertexShader = ":/glsl/VertexDewarp.vsh";
const char* const kViewCoordinate = ":/glsl/FragmentViewCoordinate.fsh";

}  // namespace

OpenGL360ViewBase::OpenGL360ViewBase(QWidget* parent, QWidget* angleViewParent,
                                     QVBoxLayout* angleViewLayout, const char* logTag,
                                     const QString& buttonStyle)
    : QOpenGLWidget(parent),
      tag(logTag),
      resetButton(angleViewParent, angleViewLayout, buttonStyle) {
    initViewer360Resources();
    connect(&resetButton, &AngleResetButton::clicked, this, &OpenGL360ViewBase::onResetBtnClicked);
}

OpenGL360ViewBase::~OpenGL360ViewBase() = default;

QString OpenGL360ViewBase::viewerButtonStyle() {
    return "border-image:url(:/images/Drumvale/icon_angle_bg.png);";
}

QImage OpenGL360ViewBase::anglePicture(int zoom) const {
    return QImage(AngleResetButton::viewerPicture(zoom));
}

void OpenGL360ViewBase::destroyGL() {
    if (!initialized) return;
    makeCurrent();
    destroyTextures();
    quad.destroy(*this);
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

void OpenGL360ViewBase::buildProgram() {
    if (shaders.build(tag, GLProgram::resource(kVertexShader), fragmentSource(),
                      GLProgram::resource(kViewCoordinate)))
        setSamplers();
}

void OpenGL360ViewBase::rebuildProgram() {
    if (!initialized) return;
    makeCurrent();
    buildProgram();
    doneCurrent();
}

void OpenGL360ViewBase::initializeGL() {
    initializeOpenGLFunctions();
    buildProgram();
    vertexArray.create();
    vertexArray.bind();
    createTextures();
    quad.createSurface(*this, GLMesh::kFlatSlices);
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
        program()->setUniformValue("isSphere", showsSphere());
        QOpenGLVertexArrayObject::Binder binder(&vertexArray);
        quad.bind(*this);
        drawSource();
        quad.draw(*this);
    }
    if (control.isResetting()) {
        control.resetStep();
        updateAnglePicture();
        update();
    }
}

void OpenGL360ViewBase::mousePressEvent(QMouseEvent* event) { control.press(event->localPos()); }

void OpenGL360ViewBase::mouseMoveEvent(QMouseEvent* event) {
    if (!turnsWithPointer() || event->buttons() == Qt::NoButton) return;
    control.drag(event->localPos());
    resetButton.redraw(control.angleY());
    update();
}

void OpenGL360ViewBase::mouseReleaseEvent(QMouseEvent*) { update(); }

void OpenGL360ViewBase::wheelEvent(QWheelEvent* event) {
    if (!turnsWithPointer()) return;
    control.wheel(event->angleDelta().y());
    updateAnglePicture();
    update();
}

void OpenGL360ViewBase::updateAnglePicture() {
    resetButton.setPicture(anglePicture(control.zoom()));
    resetButton.redraw(control.angleY());
}
