#include "PlayerGLView.h"

#include <QMouseEvent>
#include <QOpenGLShaderProgram>
#include <QVBoxLayout>
#include <QWheelEvent>

static void initPlayerGLViewResources() {
    Q_INIT_RESOURCE(glsl);
    Q_INIT_RESOURCE(playerGLView);
}

namespace {

const int kNumSlices = 360;
const char* const kButtonStyle = "background-color: transparent; border: none;";

}  // namespace

PlayerGLView::PlayerGLView(QWidget* parent, QWidget* resetButtonContainer,
                           QVBoxLayout* resetButtonLayout)
    : QOpenGLWidget(parent), resetButton(resetButtonContainer, resetButtonLayout, kButtonStyle) {
    initPlayerGLViewResources();
    resetButton.setPicture(QImage(":/image/playerView/icon_angle.png"));
    connect(&resetButton, &AngleResetButton::clicked, this, &PlayerGLView::onResetBtnClicked);
}

PlayerGLView::~PlayerGLView() {
    if (!initialized) return;
    makeCurrent();
    sphere.destroy(*this);
    surface.destroy(*this);
    drawing.destroy(*this);
    doneCurrent();
}

void PlayerGLView::setPlaybackMode(PLAYBACK_MODE playbackMode) {
    mode = playbackMode;
    update();
}

void PlayerGLView::setRawData(const QtAV::VideoFrame& videoFrame, double centerX, double centerY,
                              double radius) {
    drawing.setFrame(videoFrame);
    srcCenterX = static_cast<float>(centerX);
    srcCenterY = static_cast<float>(centerY);
    srcRadius = static_cast<float>(radius);
    if (initialized) update();
}

QtAV::VideoFrame PlayerGLView::getRawData() const { return drawing.frame(); }

void PlayerGLView::getGLViewerParams(int* zoom, float* angleX, float* angleY) const {
    control.getParams(zoom, angleX, angleY);
}

void PlayerGLView::setResetButtonVisible(bool visible) { resetButton.setVisible(visible); }

void PlayerGLView::clearSource() { drawing.clearFrame(); }

void PlayerGLView::moveAngleView(QWidget* container, QVBoxLayout* layout) {
    resetButton.move(container, layout);
}

void PlayerGLView::toCoordinate(int x, int y, double* latitude, double* longitude) const {
    control.toCoordinate(x, y, size(), latitude, longitude);
}

void PlayerGLView::toScreenPosition(double latitude, double longitude, int* x, int* y) const {
    control.toScreenPosition(latitude, longitude, size(), x, y);
}

void PlayerGLView::onResetBtnClicked() {
    if (control.startReset()) update();
}

void PlayerGLView::initializeGL() {
    initializeOpenGLFunctions();
    drawing.create(*this, GLProgram::resource(":/glsl/VertexDewarp.vsh"),
                   GLProgram::resource(":/glsl/FragmentDewarp.fsh"));
    sphere.createSphere(*this, kNumSlices);
    surface.createSurface(*this, kNumSlices);
    resetButton.create();
    initialized = true;
}

void PlayerGLView::resizeGL(int w, int h) { GLMesh::squareViewport(*this, w, h); }

void PlayerGLView::setUniforms(QOpenGLShaderProgram& program) const {
    control.setMatrices(program, size());
    program.setUniformValue("isSphere", mode == MODE_ANGLE);
    program.setUniformValue("srcACenterX", srcCenterX);
    program.setUniformValue("srcACenterY", srcCenterY);
    program.setUniformValue("srcARadius", srcRadius);
    program.setUniformValue("rotationMatrixA", rotationMatrix);
    program.setUniformValue("isPanoramaView", mode == MODE_PANORAMA);
    program.setUniformValue("isHalfView", mode == MODE_TWO_IN_ONE);
    program.setUniformValue("isQuarterView", mode == MODE_FOUR_IN_ONE);
}

void PlayerGLView::paintGL() {
    drawing.paint(*this, mode == MODE_ANGLE ? sphere : surface,
                  [this](QOpenGLShaderProgram& program) { setUniforms(program); });
    if (control.isResetting()) {
        control.resetStep();
        resetButton.redraw(control.angleY());
        update();
    }
}

void PlayerGLView::mousePressEvent(QMouseEvent* event) { control.press(event->localPos()); }

void PlayerGLView::mouseMoveEvent(QMouseEvent* event) {
    if (mode != MODE_ANGLE) return;
    control.drag(event->localPos());
    resetButton.redraw(control.angleY());
    update();
}

void PlayerGLView::mouseReleaseEvent(QMouseEvent*) { update(); }

void PlayerGLView::wheelEvent(QWheelEvent* event) {
    if (mode != MODE_ANGLE) return;
    control.wheel(event->angleDelta().y());
    resetButton.redraw(control.angleY());
    update();
}
