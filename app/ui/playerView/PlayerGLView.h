#pragma once

#include <QOpenGLFunctions>
#include <QOpenGLWidget>

#include "AngleResetButton.h"
#include "AngleViewControl.h"
#include "GLFrameProgram.h"
#include "GLMesh.h"
#include "PlaybackMode.h"
#include "VideoFrame.h"

class QVBoxLayout;

// Dewarps the fisheye frame on the graphics card for the panorama, 2in1, 4in1 and angle modes.
// In the angle mode the user drags the view and zooms it with the wheel; a reset button in a
// container of the panel turns it back, animated. Main thread only; draws when Qt paints.
class PlayerGLView : public QOpenGLWidget, protected QOpenGLFunctions {
    Q_OBJECT

  public:
    // The reset button is made in `resetButtonContainer` and `resetButtonLayout` (not owned),
    // with the container's present size.
    PlayerGLView(QWidget* parent, QWidget* resetButtonContainer, QVBoxLayout* resetButtonLayout);
    ~PlayerGLView() override;

    void setPlaybackMode(PLAYBACK_MODE mode);
    // Shares `frame` (32-bit BGRA; reference counted, no copy) until the next call or
    // clearSource(); the lens circle is in frame pixels. A frame that cannot be drawn (empty,
    // another format, rows shorter than the width) shows black. Repaints once initialised.
    void setRawData(const QtAV::VideoFrame& frame, double centerX, double centerY, double radius);
    // The current frame (shared), invalid when there is none.
    QtAV::VideoFrame getRawData() const;
    // Zoom level, angleX and the negated angleY (degrees), as the angle snapshot takes them.
    void getGLViewerParams(int* zoom, float* angleX, float* angleY) const;
    void setResetButtonVisible(bool visible);
    void clearSource();
    // Deletes the reset button and makes a new one in the given container and layout.
    void moveAngleView(QWidget* container, QVBoxLayout* layout);
    // Between widget pixels and the sphere direction (degrees) that the angle view shows there.
    void toCoordinate(int x, int y, double* latitude, double* longitude) const;
    void toScreenPosition(double latitude, double longitude, int* x, int* y) const;

  private slots:
    void onResetBtnClicked();

  protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void setUniforms(QOpenGLShaderProgram& program) const;

    bool initialized = false;
    AngleResetButton resetButton;
    AngleViewControl control;
    PLAYBACK_MODE mode = MODE_ORIGINAL;
    // The lens circle in frame pixels.
    float srcCenterX = 1080.0f;
    float srcCenterY = 1080.0f;
    float srcRadius = 1080.0f;
    // Sent as the nine values of "rotationMatrixA", in this order.
    GLfloat rotationMatrix[3][3] = {{-1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, -1.0f}};
    GLFrameProgram drawing{"PlayerGLView"};
    GLMesh sphere;
    GLMesh surface;
};
