#include "PlayerGLView.h"

#include <QMatrix4x4>
#include <QMouseEvent>
#include <QOpenGLShader>
#include <QOpenGLShaderProgram>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "LogSystem.h"
#include "RotationGeometry.h"

static void initPlayerGLViewResources() {
    Q_INIT_RESOURCE(glsl);
    Q_INIT_RESOURCE(playerGLView);
}

namespace {

const char* const kTag = "PlayerGLView";
const int kNumSlices = 360;
const int kHomeZoom = 7;
const int kMinZoom = 5;
const int kMaxZoom = 60;
const float kMaxAngleX = 60.0f;
const float kDragDegreesPerPixel = 0.1f;
const int kResetStepCount = 10;

// Moves `angle` by `step` towards 0, stopping at 0.
float stepTowardsZero(float angle, float step) {
    if (std::fabs(angle) <= step)
        return 0.0f;
    return angle > 0.0f ? angle - step : angle + step;
}

// Brings an angle into -180..180 by whole turns.
float wrapHalfTurn(float angle) {
    while (angle > 180.0f)
        angle -= 360.0f;
    while (angle < -180.0f)
        angle += 360.0f;
    return angle;
}

}  // namespace

PlayerGLView::PlayerGLView(QWidget* parent, QWidget* resetButtonContainer,
                           QVBoxLayout* resetButtonLayout)
    : QOpenGLWidget(parent),
      resetContainer(resetButtonContainer),
      resetLayout(resetButtonLayout),
      buttonWidth(resetButtonContainer ? resetButtonContainer->width() : 0),
      buttonHeight(resetButtonContainer ? resetButtonContainer->height() : 0) {
    initPlayerGLViewResources();
    angleIcon = QImage(":/image/playerView/icon_angle.png");
}

PlayerGLView::~PlayerGLView() {
    if (!initialized)
        return;
    makeCurrent();
    delete resetButton;
    frame = QtAV::VideoFrame();
    sphere.destroy(*this);
    surface.destroy(*this);
    texture.destroy(*this);
    vertexArray.destroy();
    delete program;
    delete vertexShader;
    delete fragmentShader;
    doneCurrent();
}

void PlayerGLView::setPlaybackMode(PLAYBACK_MODE playbackMode) {
    mode = playbackMode;
    update();
}

void PlayerGLView::setRawData(const QtAV::VideoFrame& videoFrame, double centerX, double centerY,
                              double radius) {
    frame = videoFrame;
    frameChanged = true;
    srcWidth = static_cast<float>(frame.width());
    srcHeight = static_cast<float>(frame.height());
    srcCenterX = static_cast<float>(centerX);
    srcCenterY = static_cast<float>(centerY);
    srcRadius = static_cast<float>(radius);
    if (initialized)
        update();
}

QtAV::VideoFrame PlayerGLView::getRawData() const { return frame; }

void PlayerGLView::getGLViewerParams(int* zoomLevel, float* viewAngleX, float* viewAngleY) const {
    *zoomLevel = zoom;
    *viewAngleX = angleX;
    *viewAngleY = -angleY;
}

void PlayerGLView::setResetButtonVisible(bool visible) {
    resetButtonVisible = visible;
    if (resetButton)
        resetButton->setVisible(visible);
}

void PlayerGLView::clearSource() {
    frame = QtAV::VideoFrame();
    frameChanged = false;
}

void PlayerGLView::moveAngleView(QWidget* container, QVBoxLayout* layout) {
    delete resetButton;
    resetButton = nullptr;
    resetContainer = container;
    resetLayout = layout;
    createResetButton();
}

void PlayerGLView::modelRotation(double out[9]) const {
    double rx[9];
    double ry[9];
    fillRotationMatrixAlongX(angleX * M_PI / 180.0, rx);
    fillRotationMatrixAlongY(angleY * M_PI / 180.0, ry);
    rmatrixMutiply(rx, ry, out);
}

void PlayerGLView::toCoordinate(int x, int y, double* latitude, double* longitude) const {
    const double t = zoom * 0.1;
    const double w = width();
    const double h = height();
    const double planeX = t * (2.0 * x / w - 1.0);
    const double planeY = (h * t / w) * (1.0 - 2.0 * y / h);
    double p[3];
    littlePlanetToUnitXyz(planeX, planeY, &p[0], &p[1], &p[2]);
    double model[9];
    modelRotation(model);
    double v[3];
    for (int i = 0; i < 3; ++i)
        v[i] = model[i] * p[0] + model[3 + i] * p[1] + model[6 + i] * p[2];
    xyzToSphere(-v[2], -v[0], v[1], latitude, longitude);
}

void PlayerGLView::toScreenPosition(double latitude, double longitude, int* x, int* y) const {
    double s[3];
    sphereToUnitXyz(latitude, longitude, &s[0], &s[1], &s[2]);
    const double v[3] = {-s[1], s[2], -s[0]};
    double model[9];
    modelRotation(model);
    double p[3];
    for (int i = 0; i < 3; ++i)
        p[i] = model[3 * i] * v[0] + model[3 * i + 1] * v[1] + model[3 * i + 2] * v[2];
    if (p[2] > 0.999) {
        *x = 0;
        *y = 0;
        return;
    }
    const double t = zoom * 0.1;
    const double w = width();
    const double h = height();
    *x = static_cast<int>(w * (p[0] / (1.0 - p[2]) / t + 1.0) * 0.5 + 0.5);
    *y = static_cast<int>(h * (1.0 - w * (p[1] / (1.0 - p[2]) / t) / h) * 0.5 + 0.5);
}

void PlayerGLView::onResetBtnClicked() {
    if (resetting)
        return;
    angleX = wrapHalfTurn(angleX);
    angleY = wrapHalfTurn(angleY);
    resetting = true;
    resetStepsPending = true;
    update();
}

void PlayerGLView::resetStep() {
    if (resetStepsPending) {
        resetStepX = std::fabs(angleX) / kResetStepCount;
        resetStepY = std::fabs(angleY) / kResetStepCount;
        resetStepsPending = false;
    }
    angleX = stepTowardsZero(angleX, resetStepX);
    angleY = stepTowardsZero(angleY, resetStepY);
    if (zoom != kHomeZoom)
        zoom += zoom < kHomeZoom ? 1 : -1;
    resetting = !(angleX == 0.0f && angleY == 0.0f && zoom == kHomeZoom);
    updateResetIcon();
}

void PlayerGLView::initializeGL() {
    initializeOpenGLFunctions();
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    buildProgram();
    vertexArray.create();
    vertexArray.bind();
    sphere.createSphere(*this, kNumSlices);
    surface.createSurface(*this, kNumSlices);
    texture.create(*this);
    if (!resetButton)
        createResetButton();
    initialized = true;
}

void PlayerGLView::buildProgram() {
    program = new QOpenGLShaderProgram();
    vertexShader = new QOpenGLShader(QOpenGLShader::Vertex);
    fragmentShader = new QOpenGLShader(QOpenGLShader::Fragment);
    if (!vertexShader->compileSourceFile(":/glsl/VertexDewarp.vsh") ||
        !fragmentShader->compileSourceFile(":/glsl/FragmentDewarp.fsh"))
        LogSystem::e(kTag, "shader compile failed: %s%s", qPrintable(vertexShader->log()),
                     qPrintable(fragmentShader->log()));
    programLinked = GLMesh::linkProgram(*program, vertexShader, fragmentShader);
    if (!programLinked)
        LogSystem::e(kTag, "shader link failed: %s", qPrintable(program->log()));
}

void PlayerGLView::resizeGL(int w, int h) {
    const int side = std::min(w, h);
    glViewport((w - side) / 2, (h - side) / 2, side, side);
}

void PlayerGLView::setUniforms() {
    const float aspect = static_cast<float>(width()) / static_cast<float>(height());
    const float f = zoom * 0.1f;
    QMatrix4x4 projection;
    projection.ortho(-f, f, -f / aspect, f / aspect, 0.0f, 1.0f);
    QMatrix4x4 model;
    model.rotate(angleX, 1.0f, 0.0f, 0.0f);
    model.rotate(angleY, 0.0f, 1.0f, 0.0f);
    QMatrix4x4 view;
    view.lookAt(QVector3D(0, 0, 0), QVector3D(0, 0, -1), QVector3D(0, 1, 0));
    program->setUniformValue("vshProjectionMatrix", projection);
    program->setUniformValue("vshModelMatrix", model);
    program->setUniformValue("vshViewMatrix", view);
    program->setUniformValue("isSphere", mode == MODE_ANGLE);
    program->setUniformValue("srcAWidth", srcWidth);
    program->setUniformValue("srcAHeight", srcHeight);
    program->setUniformValue("srcACenterX", srcCenterX);
    program->setUniformValue("srcACenterY", srcCenterY);
    program->setUniformValue("srcARadius", srcRadius);
    glUniformMatrix3fv(program->uniformLocation("rotationMatrixA"), 1, GL_FALSE, rotationMatrix);
    program->setUniformValue("isPanoramaView", mode == MODE_PANORAMA);
    program->setUniformValue("isHalfView", mode == MODE_TWO_IN_ONE);
    program->setUniformValue("isQuarterView", mode == MODE_FOUR_IN_ONE);
}

void PlayerGLView::paintGL() {
    glClearColor(clearColor.redF(), clearColor.greenF(), clearColor.blueF(), clearColor.alphaF());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (programLinked && height() > 0 && GLFrameTexture::isDrawable(frame, maxTextureSize)) {
        program->bind();
        setUniforms();
        QOpenGLVertexArrayObject::Binder binder(&vertexArray);
        const GLMesh& mesh = mode == MODE_ANGLE ? sphere : surface;
        mesh.bind(*this);
        texture.bind(*this, frame, frameChanged);
        frameChanged = false;
        mesh.draw(*this);
    }
    if (resetting) {
        resetStep();
        update();
    }
}

void PlayerGLView::mousePressEvent(QMouseEvent* event) {
    lastMouseX = qRound(event->localPos().x());
    lastMouseY = qRound(event->localPos().y());
}

void PlayerGLView::mouseMoveEvent(QMouseEvent* event) {
    if (mode != MODE_ANGLE)
        return;
    const int x = qRound(event->localPos().x());
    const int y = qRound(event->localPos().y());
    angleX += -kDragDegreesPerPixel * (y - lastMouseY);
    angleY += -kDragDegreesPerPixel * (x - lastMouseX);
    angleX = std::max(-kMaxAngleX, std::min(kMaxAngleX, angleX));
    lastMouseX = x;
    lastMouseY = y;
    updateResetIcon();
    update();
}

void PlayerGLView::mouseReleaseEvent(QMouseEvent*) { update(); }

void PlayerGLView::wheelEvent(QWheelEvent* event) {
    if (mode != MODE_ANGLE)
        return;
    zoom -= static_cast<int>(event->angleDelta().y() * 0.01);
    zoom = std::max(kMinZoom, std::min(kMaxZoom, zoom));
    updateResetIcon();
    update();
}

void PlayerGLView::createResetButton() {
    if (!resetContainer || !resetLayout)
        return;
    resetButton = new QPushButton(resetContainer);
    resetButton->setFlat(true);
    resetButton->setStyleSheet("background-color: transparent; border: none;");
    resetButton->setFocusPolicy(Qt::NoFocus);
    resetButton->setFixedSize(buttonWidth, buttonHeight);
    resetButton->setIconSize(QSize(buttonWidth, buttonHeight));
    resetLayout->addWidget(resetButton);
    resetButton->setVisible(resetButtonVisible);
    connect(resetButton, &QPushButton::clicked, this, &PlayerGLView::onResetBtnClicked);
    updateResetIcon();
}

void PlayerGLView::updateResetIcon() {
    if (!resetButton || buttonWidth <= 0 || buttonHeight <= 0)
        return;
    QImage canvas(buttonWidth, buttonHeight, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.translate(buttonWidth / 2.0, buttonWidth / 2.0);
    painter.rotate(angleY);
    painter.translate(-(angleIcon.width() / 2.0), -20.0);
    painter.drawImage(0, 0, angleIcon);
    painter.end();
    resetButton->setIcon(QIcon(QPixmap::fromImage(canvas)));
}
