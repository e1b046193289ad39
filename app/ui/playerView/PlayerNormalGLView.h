#pragma once

#include <QImage>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>

#include "GLFrameProgram.h"
#include "GLMesh.h"
#include "VideoFrame.h"

// Shows the frame unchanged (the original mode). Main thread only; draws when Qt paints.
class PlayerNormalGLView : public QOpenGLWidget, protected QOpenGLFunctions {
    Q_OBJECT

  public:
    explicit PlayerNormalGLView(QWidget* parent);
    ~PlayerNormalGLView() override;

    // Shares `frame` (32-bit BGRA; reference counted, no copy) until the next call or
    // clearSource(). A frame that cannot be drawn shows black. Repaints once initialised.
    void setRawData(const QtAV::VideoFrame& frame);
    // The current frame (shared), invalid when there is none.
    QtAV::VideoFrame getRawData() const;
    // An ARGB32 image over the current frame's pixels, no copy: the image keeps its own
    // reference to the frame. Null when there is no drawable frame.
    QImage getImage() const;
    // Forgets the frame and frees the texture's storage.
    void clearSource();

  protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

  private:
    GLFrameProgram drawing{"PlayerNormalGLView"};
    GLMesh surface;
    bool initialized = false;
};
