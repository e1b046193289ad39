#pragma once

#include <QImage>
#include <QString>

#include <vector>

#include "GLTexture.h"
#include "List.h"
#include "OpenGL360ViewBase.h"

class Text360Info;

// The editing preview on the sphere of OpenGL360ViewBase: a fisheye frame dewarped by the
// fragment shader (or an equirectangular one shown as it is), a second source for cross-fades,
// start and end title pictures, a patch picture for the directions the lens does not cover, a
// per-channel gamma filter and a layer of text overlays. Every picture is copied, so callers may
// reuse their buffers at once. Main thread only.
class OpenGL360DewarpViewer : public OpenGL360ViewBase {
    Q_OBJECT

  public:
    OpenGL360DewarpViewer(QWidget* parent, QWidget* angleViewParent, QVBoxLayout* angleViewLayout);
    ~OpenGL360DewarpViewer() override;

    // Drops the frame copy and shows `image` (any format; converted to 32-bit BGRA).
    void setImage(const QImage& image);
    QImage getImage() const;
    // Drops the frame copy; a set image stays.
    void clearSource();
    // Copies an equirectangular BGRA frame of width x height; the card does not dewarp.
    void setRawData(const void* bgra, int width, int height);
    // Copies a fisheye BGRA frame with its lens circle (frame pixels), its rotation (rows) and
    // the colour filter (a gamma below 0 leaves its channel); the card dewarps.
    void setRawData(const void* bgra, int width, int height, double centerX, double centerY,
                    double radius, const double (*rotation)[3], bool useColorFilter, double rGamma,
                    double gGamma, double bGamma);
    // Shows the title picture (BGRA, copied) over the frame; showing one hides the other.
    void setStartTitle(const void* data, int width, int height, bool show);
    void setEndTitle(const void* data, int width, int height, bool show);
    // Cross-fade state; a source B of width and height 0 keeps the previous one. No repaint.
    void setTransitionParams(bool doTransition, bool isStartTitleTransition,
                             bool isEndTitleTransition, float fadeProgress, const void* srcB,
                             int width, int height, const double (*rotationB)[3]);
    // Takes the overlays (borrowed; they must outlive their use here) and rebuilds the text
    // layer only when the list or one of the overlays' visibility changed.
    void setTextInfoList(const List<Text360Info*>& list);
    // Paints the overlay's pieces into the text layer.
    void drawTextInfo(Text360Info* info);
    // The text layer (3840x2160 ARGB32 once made); a new cache key each time it is rebuilt.
    QImage textLayer() const { return textImage; }
    // Loads the patch picture (converted to 32-bit BGRA).
    void setPatchPattern(const QString& path);

  protected:
    QByteArray fragmentSource() const override;
    void setSamplers() override;
    void createTextures() override;
    void destroyTextures() override;
    bool hasSource() const override;
    void drawSource() override;

  private:
    // A copied BGRA picture.
    struct Pixels {
        std::vector<uchar> bytes;
        int width = 0;
        int height = 0;
        // Copies width x height x 4 bytes, storage made anew when missing or of another size.
        void copy(const void* data, int w, int h);
        bool isEmpty() const { return bytes.empty(); }
    };
    // The lens of a source: frame size, circle and rotation (rows).
    struct Lens {
        float width = 2016.0f;
        float height = 2016.0f;
        float centerX = 1008.0f;
        float centerY = 1008.0f;
        float radius = 1008.0f;
        GLfloat rotation[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        void setRotation(const double (*rows)[3]);
    };

    void setLensUniforms(const char* prefix, const Lens& lens);
    // Uploads BGRA pixels to the texture of `unit`; nothing when there are none.
    void upload(int unit, const uchar* bgra, QSize size);
    void upload(int unit, const Pixels& pixels);
    void upload(int unit, const QImage& picture);
    bool textListChanged(const List<Text360Info*>& list) const;

    QString patchPatternPath = ":/images/Edit/icon_logo_black_l.png";
    QImage patchImage;
    Pixels rgbData;         // source A
    Pixels transitionData;  // source B
    Pixels startTitle;
    Pixels endTitle;
    QImage image;  // 32-bit BGRA or null
    List<Text360Info*> textInfoList;
    std::vector<bool> textVisibleFlags;
    QImage textImage;
    // Shader inputs, sent on every paint.
    bool isStartTitleTransition = false;
    bool isEndTitleTransition = false;
    bool isDewarpByGL = true;
    bool drawStartTitle = false;
    bool drawEndTitle = false;
    bool doTransition = false;
    bool drawTexts = false;
    float fadeProgress = 0.0f;  // 0: all A, 1: all B
    float ppWidth = 0.0f;
    float ppHeight = 0.0f;
    float ppCenterX = 0.0f;
    float ppCenterY = 0.0f;
    float ppRadius = 0.0f;
    Lens lensA;
    Lens lensB;
    bool isUsingColorFilter = false;
    float rGamma = 0.0f;
    float gGamma = 0.0f;
    float bGamma = 0.0f;
    // Source A, source B, patch, start title, end title, texts.
    GLTexture textures[6];
};
