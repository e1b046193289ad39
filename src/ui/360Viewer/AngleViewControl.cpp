#include "AngleViewControl.h"

#include <QOpenGLShaderProgram>

#include <algorithm>
#include <cmath>

#include "RotationGeometry.h"

namespace {

const double kDegreesPerPixel = 0.1;
const float kMaxAngleX = 60.0f;
const int kResetSteps = 10;

// Moves `angle` by `step` towards 0, stopping at 0.
float stepTowardsZero(float angle, float step) {
    if (std::fabs(angle) <= step) return 0.0f;
    return angle > 0.0f ? angle - step : angle + step;
}

// Brings an angle into -180..180 by whole turns.
float wrapHalfTurn(float angle) {
    while (angle > 180.0f) angle -= 360.0f;
    while (angle < -180.0f) angle += 360.0f;
    return angle;
}

}  // namespace

void AngleViewControl::press(QPointF position) { lastPosition = position.toPoint(); }

void AngleViewControl::drag(QPointF position) {
    const QPoint at = position.toPoint();
    const QPoint d = at - lastPosition;
    viewAngleX = static_cast<float>(viewAngleX - kDegreesPerPixel * d.y());
    viewAngleY = static_cast<float>(viewAngleY - kDegreesPerPixel * d.x());
    viewAngleX = std::max(-kMaxAngleX, std::min(kMaxAngleX, viewAngleX));
    lastPosition = at;
}

void AngleViewControl::wheel(int delta) {
    zoomLevel -= static_cast<int>(delta * 0.01);
    zoomLevel = std::max(kMinZoom, std::min(kMaxZoom, zoomLevel));
}

bool AngleViewControl::startReset() {
    if (resetting) return false;
    viewAngleX = wrapHalfTurn(viewAngleX);
    viewAngleY = wrapHalfTurn(viewAngleY);
    resetting = true;
    resetFirstStep = true;
    return true;
}

void AngleViewControl::resetStep() {
    if (!resetting) return;
    if (resetFirstStep) {
        resetStepX = std::fabs(viewAngleX) / kResetSteps;
        resetStepY = std::fabs(viewAngleY) / kResetSteps;
        resetFirstStep = false;
    }
    viewAngleX = stepTowardsZero(viewAngleX, resetStepX);
    viewAngleY = stepTowardsZero(viewAngleY, resetStepY);
    if (zoomLevel != kHomeZoom) zoomLevel += zoomLevel < kHomeZoom ? 1 : -1;
    resetting = !(viewAngleX == 0.0f && viewAngleY == 0.0f && zoomLevel == kHomeZoom);
}

void AngleViewControl::getParams(int* zoom, float* angleX, float* angleY) const {
    *zoom = zoomLevel;
    *angleX = viewAngleX;
    *angleY = -viewAngleY;
}

void AngleViewControl::setMatrices(QOpenGLShaderProgram& program, QSize size) const {
    const float aspect =
        size.height() > 0 ? static_cast<float>(size.width()) / size.height() : 1.0f;
    const float f = zoomLevel * 0.1f;
    QMatrix4x4 projection;
    projection.ortho(-f, f, -f / aspect, f / aspect, 0.0f, 1.0f);
    QMatrix4x4 model;
    model.rotate(viewAngleX, 1.0f, 0.0f, 0.0f);
    model.rotate(viewAngleY, 0.0f, 1.0f, 0.0f);
    QMatrix4x4 view;
    view.lookAt(QVector3D(0, 0, 0), QVector3D(0, 0, -1), QVector3D(0, 1, 0));
    program.setUniformValue("vshProjectionMatrix", projection);
    program.setUniformValue("vshModelMatrix", model);
    program.setUniformValue("vshViewMatrix", view);
}

void AngleViewControl::modelRotation(double out[9]) const {
    double rx[9];
    double ry[9];
    fillRotationMatrixAlongX(viewAngleX * M_PI / 180.0, rx);
    fillRotationMatrixAlongY(viewAngleY * M_PI / 180.0, ry);
    rmatrixMutiply(rx, ry, out);
}

void AngleViewControl::toCoordinate(int x, int y, QSize size, double* latitude,
                                    double* longitude) const {
    const double t = zoomLevel * 0.1;
    const double w = size.width();
    const double h = size.height();
    const double planeX = t * (2.0 * x / w - 1.0);
    const double planeY = (h * t / w) * (1.0 - 2.0 * y / h);
    double p[3];
    littlePlanetToUnitXyz(planeX, planeY, &p[0], &p[1], &p[2]);
    double model[9];
    modelRotation(model);
    double v[3];
    for (int i = 0; i < 3; ++i) v[i] = model[i] * p[0] + model[3 + i] * p[1] + model[6 + i] * p[2];
    xyzToSphere(-v[2], -v[0], v[1], latitude, longitude);
}

void AngleViewControl::toScreenPosition(double latitude, double longitude, QSize size, int* x,
                                        int* y) const {
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
    const double t = zoomLevel * 0.1;
    const double w = size.width();
    const double h = size.height();
    *x = static_cast<int>(w * (p[0] / (1.0 - p[2]) / t + 1.0) * 0.5 + 0.5);
    *y = static_cast<int>(h * (1.0 - w * (p[1] / (1.0 - p[2]) / t) / h) * 0.5 + 0.5);
}
