#pragma once

#include <QColor>
#include <QOpenGLFunctions>
#include <QOpenGLVertexArrayObject>
#include <QOpenGLWidget>

#include "AngleResetButton.h"
#include "AngleViewControl.h"
#include "GLMesh.h"
#include "GLProgram.h"

class QOpenGLShaderProgram;
class QVBoxLayout;

// What the generic 360 viewers share: a sphere of radius 1 seen from its centre through the
// stereographic projection, turned by dragging (any button), zoomed by the wheel and brought
// back by the reset button, whose picture follows the zoom. A subclass gives the fragment shader
// and draws its source. Main thread only; draws when Qt paints.
class OpenGL360ViewBase : public QOpenGLWidget, protected QOpenGLFunctions {
    Q_OBJECT

  public:
    // The reset button is made in `angleViewParent` and `angleViewLayout` (borrowed), with the
    // parent's present size.
    OpenGL360ViewBase(QWidget* parent, QWidget* angleViewParent, QVBoxLayout* angleViewLayout);
    ~OpenGL360ViewBase() override;

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
    // Sets the sampler units and creates the subclass's textures; the program is bound.
    virtual void createTextures() = 0;
    // Deletes them; the context is current.
    virtual void destroyTextures() = 0;
    virtual bool hasSource() const = 0;
    // Sets the subclass's uniforms and uploads its textures; the program is bound.
    virtual void drawSource() = 0;

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

    AngleViewControl control;
    AngleResetButton resetButton;
    QColor clearColor = Qt::black;
    // GL objects, valid while initialised.
    GLProgram shaders;
    QOpenGLVertexArrayObject vertexArray;
    GLMesh sphere;
};
