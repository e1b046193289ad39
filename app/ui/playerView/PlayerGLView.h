#pragma once

#include <QImage>

#include "GLFrameTexture.h"
#include "OpenGL360ViewBase.h"
#include "PlaybackMode.h"
#include "VideoFrame.h"

class QVBoxLayout;

// Dewarps the fisheye frame on the graphics card for the panorama, 2in1, 4in1 and angle modes:
// the flat quad for the first three, the sphere of OpenGL360ViewBase for the angle mode, where
// the user drags the view and zooms it with the wheel and the reset button turns it back,
// animated. The shader is compiled for the mode shown, so that it runs that mode's steps only.
// Main thread only; draws when Qt paints.
class PlayerGLView : public OpenGL360ViewBase {
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
    // Forgets the frame and frees the texture's storage.
    void clearSource();

  protected:
    QByteArray fragmentSource() const override;
    void createTextures() override;
    void destroyTextures() override;
    bool hasSource() const override;
    void drawSource() override;
    bool showsSphere() const override;
    bool turnsWithPointer() const override;
    QImage anglePicture(int zoom) const override;

  private:
    PLAYBACK_MODE mode = MODE_ORIGINAL;
    QImage angleIcon;
    // The lens circle in frame pixels.
    float srcCenterX = 1080.0f;
    float srcCenterY = 1080.0f;
    float srcRadius = 1080.0f;
    // Sent as the nine values of "rotationMatrixA", in this order.
    GLfloat rotationMatrix[3][3] = {{-1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, -1.0f}};
    QtAV::VideoFrame frame;  // shared with the panel
    bool frameChanged = false;
    GLFrameTexture texture;  // valid while initialised
    int maxTextureSize = 0;
};
