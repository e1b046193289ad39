#pragma once

#include <QMatrix4x4>
#include <QPoint>
#include <QSize>

class QOpenGLShaderProgram;

// The view of a sphere seen through the stereographic (little-planet) projection, shared by
// every sphere view: dragging turns it, the wheel zooms it, a reset brings it back in ten steps,
// and widget pixels map to sphere directions and back. Plain state, main thread only: the views
// feed it their events and draw from it.
class AngleViewControl {
  public:
    static constexpr int kHomeZoom = 7;
    static constexpr int kMinZoom = 5;
    static constexpr int kMaxZoom = 60;

    // Remembers the pointer position, rounded to whole pixels.
    void press(QPointF position);
    // angleX -= 0.1 dy and angleY -= 0.1 dx degrees since the last position; angleX is held
    // within -60..60, angleY is not limited.
    void drag(QPointF position);
    // zoom -= int(delta x 0.01), delta in eighths of a degree (120 a notch), held within 5..60.
    void wheel(int delta);
    // Starts the reset animation with both angles brought into -180..180; false (and nothing
    // changes) while one runs.
    bool startReset();
    // One frame of the animation: the angles move a tenth of their start values towards 0, the
    // zoom one level towards 7. Does nothing when no reset runs.
    void resetStep();
    bool isResetting() const { return resetting; }

    int zoom() const { return zoomLevel; }
    float angleX() const { return viewAngleX; }
    float angleY() const { return viewAngleY; }
    // Zoom, angleX and the negated angleY, as snapshots take them.
    void getParams(int* zoom, float* angleX, float* angleY) const;

    // Sets "vshProjectionMatrix", "vshModelMatrix" and "vshViewMatrix" for a widget of `size`.
    void setMatrices(QOpenGLShaderProgram& program, QSize size) const;
    // Latitude and longitude (degrees) shown at widget pixel (x, y) of a widget of `size`.
    void toCoordinate(int x, int y, QSize size, double* latitude, double* longitude) const;
    // The widget pixel showing (latitude, longitude); (0, 0) for the projection pole.
    void toScreenPosition(double latitude, double longitude, QSize size, int* x, int* y) const;

  private:
    // Rx(angleX) x Ry(angleY), row-major.
    void modelRotation(double out[9]) const;

    int zoomLevel = kHomeZoom;
    float viewAngleX = 0.0f;  // degrees, -60..60
    float viewAngleY = 0.0f;  // degrees
    QPoint lastPosition;
    bool resetting = false;
    bool resetFirstStep = false;
    float resetStepX = 0.0f;  // degrees a frame
    float resetStepY = 0.0f;
};
