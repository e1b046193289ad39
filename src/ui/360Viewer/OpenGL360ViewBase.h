#pragma once

#include <QColor>
#include <QImage>
#include <QOpenGLFunctions>
#include <QOpenGLVertexArrayObject>
#include <QOpenGLWidget>

#include "AngleResetButton.h"
#include "AngleViewControl.h"
#include "GLMesh.h"
#include "GLProgram.h"

class QOpenGLShaderProgram;
class QVBoxLayout;

// What the sphere views share (the generic 360 viewers and the player's dewarp view): a sphere
// of radius 1 seen from its centre through the stereographic projection, or a flat quad filling
// the view; turned by dragging (any button), zoomed by the wheel and brought back by the reset
// button, whose picture may follow the zoom. A subclass gives the fragment shader and draws its
// source. Main thread only; draws when Qt paints.
class OpenGL360ViewBase : public QOpenGLWidget, protected QOpenGLFunctions {
    Q_OBJECT

  public:
    // The reset button is made in `angleViewParent` and `angleViewLayout` (borrowed), with the
    // parent's present size and `buttonStyle`; `logTag` (a literal) names the view in the log.
    OpenGL360ViewBase(QWidget* parent, QWidget* angleViewParent, QVBoxLayout* angleViewLayout,
                      const char* logTag = "OpenGL360Viewer",
                      const QString& buttonStyle = viewerButtonStyle());
    ~OpenGL360ViewBase() override;

    // The generic viewers' reset button: the angle background picture as its border image.
    static QString viewerButtonStyle();

    // Zoom level, angleX and the negated angleY (degrees).
    void getGLViewerParams(int* zoom, float* angleX, float* angleY) const;
    // Shows or hides the reset button (hidden until asked), also for a button still to come.
    void setResetButtonVisible(bool visible);
    // Deletes the reset button and makes a new one in the given parent and layout.
    void moveAngleView(QWidget* parent, QVBoxLayout* layout);
    // Between widget pixels and the sphere direction (degrees) shown there.
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

    // The fragment shader's source ("#version 330 core", input `texCoordOut`).
    virtual QByteArray fragmentSource() const = 0;
    // Sets the sampler units; the program is bound. Called after each build.
    virtual void setSamplers() {}
    // Creates the subclass's textures, once.
    virtual void createTextures() = 0;
    // Deletes them; the context is current.
    virtual void destroyTextures() = 0;
    virtual bool hasSource() const = 0;
    // Sets the subclass's uniforms and uploads its textures; the program is bound.
    virtual void drawSource() = 0;
    // The sphere through the projection (with "isSphere" set), else the flat picture.
    virtual bool showsSphere() const { return true; }
    // Whether dragging and the wheel turn and zoom the view.
    virtual bool turnsWithPointer() const { return true; }
    // The reset button's direction picture for a zoom level (by default viewerPicture()).
    virtual QImage anglePicture(int zoom) const;

    // Builds the program again from fragmentSource(), once initialised.
    void rebuildProgram();
    // Repaints once initialised.
    void repaintIfInitialized();
    // Releases the GL objects with the context current; each subclass's destructor calls it,
    // while its own textures can still be deleted.
    void destroyGL();

    // The linked program; valid while initialised.
    QOpenGLShaderProgram* program() const { return shaders.get(); }
    bool initialized = false;

  private:
    // Chooses the button picture for the zoom level and redraws the icon.
    void updateAnglePicture();
    // Compiles and links the program; the context is current.
    void buildProgram();

    const char* tag;
    AngleViewControl control;
    AngleResetButton resetButton;
    QColor clearColor = Qt::black;
    // GL objects, valid while initialised.
    GLProgram shaders;
    QOpenGLVertexArrayObject vertexArray;
    GLMesh quad;  // covers the view in both ways of drawing
};
