#include "OpenGL360DewarpViewer.h"

#include <QOpenGLShaderProgram>

#include "Text360Info.h"

namespace {

const int kTextLayerWidth = 3840;
const int kTextLayerHeight = 2160;
const float kHalfPi = 1.5707963f;
const float kPi = 3.1415925f;

enum Unit { kUnitA, kUnitB, kUnitLogo, kUnitStartTitle, kUnitEndTitle, kUnitTexts };
const char* const kSamplers[6] = {"samplerA",          "samplerB",        "samplerLogo",
                                  "samplerStartTitle", "samplerEndTitle", "samplerTexts"};

// The picture in 32-bit BGRA (ARGB32 in memory on little-endian hosts), or null.
QImage toBgra(const QImage& image) {
    return image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

void OpenGL360DewarpViewer::Pixels::copy(const void* data, int w, int h) {
    if (!data || w <= 0 || h <= 0) {
        bytes.clear();
        width = height = 0;
        return;
    }
    const auto* from = static_cast<const uchar*>(data);
    bytes.assign(from, from + size_t(w) * h * 4);
    width = w;
    height = h;
}

void OpenGL360DewarpViewer::Lens::setRotation(const double (*rows)[3]) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) rotation[r][c] = static_cast<GLfloat>(rows[r][c]);
}

OpenGL360DewarpViewer::OpenGL360DewarpViewer(QWidget* parent, QWidget* angleViewParent,
                                             QVBoxLayout* angleViewLayout)
    : OpenGL360ViewBase(parent, angleViewParent, angleViewLayout) {
    setPatchPattern(patchPatternPath);
}

OpenGL360DewarpViewer::~OpenGL360DewarpViewer() { destroyGL(); }

void OpenGL360DewarpViewer::setImage(const QImage& picture) {
    rgbData.copy(nullptr, 0, 0);
    image = toBgra(picture);
    repaintIfInitialized();
}

QImage OpenGL360DewarpViewer::getImage() const { return image; }

void OpenGL360DewarpViewer::clearSource() { rgbData.copy(nullptr, 0, 0); }

void OpenGL360DewarpViewer::setRawData(const void* bgra, int width, int height) {
    rgbData.copy(bgra, width, height);
    isDewarpByGL = false;
    repaintIfInitialized();
}

void OpenGL360DewarpViewer::setRawData(const void* bgra, int width, int height, double centerX,
                                       double centerY, double radius, const double (*rotation)[3],
                                       bool useColorFilter, double red, double green, double blue) {
    rgbData.copy(bgra, width, height);
    isDewarpByGL = true;
    lensA.width = static_cast<float>(width);
    lensA.height = static_cast<float>(height);
    lensA.centerX = static_cast<float>(centerX);
    lensA.centerY = static_cast<float>(centerY);
    lensA.radius = static_cast<float>(radius);
    if (rotation) lensA.setRotation(rotation);
    isUsingColorFilter = useColorFilter;
    rGamma = static_cast<float>(red);
    gGamma = static_cast<float>(green);
    bGamma = static_cast<float>(blue);
    repaintIfInitialized();
}

void OpenGL360DewarpViewer::setStartTitle(const void* data, int width, int height, bool show) {
    drawStartTitle = show;
    if (!show) return;
    drawEndTitle = false;
    startTitle.copy(data, width, height);
}

void OpenGL360DewarpViewer::setEndTitle(const void* data, int width, int height, bool show) {
    drawEndTitle = show;
    if (!show) return;
    drawStartTitle = false;
    endTitle.copy(data, width, height);
}

void OpenGL360DewarpViewer::setTransitionParams(bool transition, bool startTitleTransition,
                                                bool endTitleTransition, float progress,
                                                const void* srcB, int width, int height,
                                                const double (*rotationB)[3]) {
    doTransition = transition;
    isStartTitleTransition = startTitleTransition;
    isEndTitleTransition = endTitleTransition;
    fadeProgress = progress;
    if (width <= 0 || height <= 0 || !srcB) return;
    transitionData.copy(srcB, width, height);
    lensB.width = static_cast<float>(width);
    lensB.height = static_cast<float>(height);
    lensB.centerX = width / 2.0f;
    lensB.centerY = height / 2.0f;
    lensB.radius = width / 2.0f;
    if (rotationB) lensB.setRotation(rotationB);
}

bool OpenGL360DewarpViewer::textListChanged(const List<Text360Info*>& list) const {
    if (list.empty()) return false;
    if (textInfoList.empty() || list.size() != textInfoList.size()) return true;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] != textInfoList[i] || list[i]->isVisible() != textVisibleFlags[i]) return true;
    return false;
}

void OpenGL360DewarpViewer::setTextInfoList(const List<Text360Info*>& list) {
    const bool changed = textListChanged(list);
    textInfoList = list;
    drawTexts = !list.empty();
    if (changed) {
        textImage = QImage(kTextLayerWidth, kTextLayerHeight, QImage::Format_ARGB32);
        textImage.fill(0);
        for (Text360Info* info : textInfoList)
            if (info->isVisible()) drawTextInfo(info);
    }
    textVisibleFlags.clear();
    for (const Text360Info* info : textInfoList) textVisibleFlags.push_back(info->isVisible());
}

void OpenGL360DewarpViewer::drawTextInfo(Text360Info* info) {
    if (!info || textImage.isNull() || info->pieceRects().isEmpty()) return;
    info->fillTextImage(textImage.bits(), textImage.width(), textImage.height());
}

void OpenGL360DewarpViewer::setPatchPattern(const QString& path) {
    patchPatternPath = path;
    patchImage = toBgra(QImage(path));
    ppWidth = static_cast<float>(patchImage.width());
    ppHeight = static_cast<float>(patchImage.height());
    ppCenterX = ppWidth / 2.0f;
    ppCenterY = ppHeight / 2.0f;
    ppRadius = ppWidth / 2.0f;
    repaintIfInitialized();
}

QByteArray OpenGL360DewarpViewer::fragmentSource() const {
    return GLProgram::resource(":/glsl/FragmentDewarpViewer.fsh");
}

void OpenGL360DewarpViewer::setSamplers() {
    for (int unit = 0; unit < 6; ++unit) program()->setUniformValue(kSamplers[unit], unit);
}

void OpenGL360DewarpViewer::createTextures() {
    for (GLTexture& texture : textures) texture.create(*this);
}

void OpenGL360DewarpViewer::destroyTextures() {
    for (GLTexture& texture : textures) texture.destroy(*this);
}

bool OpenGL360DewarpViewer::hasSource() const { return !rgbData.isEmpty() || !image.isNull(); }

void OpenGL360DewarpViewer::setLensUniforms(const char* prefix, const Lens& lens) {
    const QByteArray p(prefix);
    program()->setUniformValue((p + "Width").constData(), lens.width);
    program()->setUniformValue((p + "Height").constData(), lens.height);
    program()->setUniformValue((p + "CenterX").constData(), lens.centerX);
    program()->setUniformValue((p + "CenterY").constData(), lens.centerY);
    program()->setUniformValue((p + "Radius").constData(), lens.radius);
}

void OpenGL360DewarpViewer::upload(int unit, const uchar* bgra, QSize size) {
    if (bgra && !size.isEmpty()) textures[unit].upload(*this, unit, {bgra, size, GL_BGRA, 0});
}

void OpenGL360DewarpViewer::upload(int unit, const Pixels& pixels) {
    upload(unit, pixels.bytes.data(), QSize(pixels.width, pixels.height));
}

void OpenGL360DewarpViewer::upload(int unit, const QImage& picture) {
    upload(unit, picture.constBits(), picture.size());
}

void OpenGL360DewarpViewer::drawSource() {
    QOpenGLShaderProgram& p = *program();
    p.setUniformValue("isDewarpByGL", isDewarpByGL);
    p.setUniformValue("drawStartTitle", drawStartTitle);
    p.setUniformValue("drawEndTitle", drawEndTitle);
    p.setUniformValue("doTransition", doTransition && !transitionData.isEmpty());
    p.setUniformValue("fadeProgress", fadeProgress);
    p.setUniformValue("isStartTitleTransition", isStartTitleTransition);
    p.setUniformValue("isEndTitleTransition", isEndTitleTransition);
    p.setUniformValue("drawTexts", drawTexts);
    p.setUniformValue("HALF_PI", kHalfPi);
    p.setUniformValue("FLOAT_PI", kPi);
    p.setUniformValue("ppWidth", ppWidth);
    p.setUniformValue("ppHeight", ppHeight);
    p.setUniformValue("ppCenterX", ppCenterX);
    p.setUniformValue("ppCenterY", ppCenterY);
    p.setUniformValue("ppRadius", ppRadius);
    setLensUniforms("srcA", lensA);
    p.setUniformValue("rotationMatrixA", lensA.rotation);
    p.setUniformValue("isUsingColorFilter", isUsingColorFilter);
    p.setUniformValue("rGamma", rGamma);
    p.setUniformValue("gGamma", gGamma);
    p.setUniformValue("bGamma", bGamma);
    if (!rgbData.isEmpty())
        upload(kUnitA, rgbData);
    else
        upload(kUnitA, image);
    if (doTransition && !transitionData.isEmpty()) {
        setLensUniforms("srcB", lensB);
        p.setUniformValue("rotationMatrixB", lensB.rotation);
        upload(kUnitB, transitionData);
    }
    if (isDewarpByGL) upload(kUnitLogo, patchImage);
    if (drawStartTitle || isStartTitleTransition) upload(kUnitStartTitle, startTitle);
    if (drawEndTitle || isEndTitleTransition) upload(kUnitEndTitle, endTitle);
    if (drawTexts) upload(kUnitTexts, textImage);
}
