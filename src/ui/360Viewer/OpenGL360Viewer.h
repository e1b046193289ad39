#pragma once

#include <QImage>
#include <QOpenGLFunctions>

#include <vector>

#include "GL360ColorSpace.h"
#include "GLTexture.h"
#include "OpenGL360ViewBase.h"

// Shows an equirectangular 360 picture (a QImage, packed BGRA or YUV 4:2:0 planes) on the sphere
// of OpenGL360ViewBase. Pixels are copied, so callers may reuse their buffers at once.
class OpenGL360Viewer : public OpenGL360ViewBase {
    Q_OBJECT

  public:
    // The colour space fixes the shader: YUV planes need GL360_YUV420, the rest any other value.
    OpenGL360Viewer(QWidget* parent, QWidget* angleViewParent, QVBoxLayout* angleViewLayout,
                    GL360ColorSpace colorSpace);
    ~OpenGL360Viewer() override;

    // Forgets raw data and shows `image` (any format; converted to 32-bit BGRA).
    void setImage(const QImage& image);
    QImage getImage() const;
    // Copies width x height x 4 bytes of BGRA; forgets the planes.
    void setRawData(const void* bgra, int width, int height);
    // Copies a width x height Y plane and width / 2 x height / 2 U and V planes; forgets BGRA.
    void setRawDataYUV(const uchar* y, int width, int height, const uchar* u, const uchar* v);
    // The viewer's copies of the planes (valid until the next set or clear call) and their size.
    void getRawDataYUV(uchar** y, int* width, int* height, uchar** u, uchar** v);
    // Forgets raw data; a set image stays. No repaint.
    void clearSource();
    GL360ColorSpace getColorSpace() const { return colorSpace; }

  protected:
    QByteArray fragmentSource() const override;
    void setSamplers() override;
    void createTextures() override;
    void destroyTextures() override;
    bool hasSource() const override;
    void drawSource() override;

  private:
    void clearRawData();

    GL360ColorSpace colorSpace;
    // The source: BGRA or the three planes (owned copies), or else the image.
    std::vector<uchar> rgbData;
    std::vector<uchar> yPlane;
    std::vector<uchar> uPlane;
    std::vector<uchar> vPlane;
    int srcWidth = 0;
    int srcHeight = 0;
    QImage image;            // 32-bit BGRA or null
    bool newTexture = true;  // the next upload defines the texture anew
    // Y or BGRA, U, V.
    GLTexture textures[3];
};
