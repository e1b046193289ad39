#include "OpenGL360Viewer.h"

#include <QOpenGLShaderProgram>

#include <algorithm>

namespace {

const char* const kRgbFragment =
    "#version 330 core\n"
    "vec2 viewTexCoord();\n"
    "out vec4 fragColor;\n"
    "uniform sampler2D tex_y;\n"
    "void main()\n"
    "{\n"
    "    fragColor = texture(tex_y, viewTexCoord());\n"
    "}\n";

const char* const kYuvFragment =
    "#version 330 core\n"
    "vec2 viewTexCoord();\n"
    "out vec4 fragColor;\n"
    "uniform sampler2D tex_y;\n"
    "uniform sampler2D tex_u;\n"
    "uniform sampler2D tex_v;\n"
    "uniform mat3 colorConversionMatrix;\n"
    "void main()\n"
    "{\n"
    "    vec2 at = viewTexCoord();\n"
    "    vec3 yuv = vec3(texture(tex_y, at).r - 16.0 / 255.0,\n"
    "                    texture(tex_u, at).r - 0.5,\n"
    "                    texture(tex_v, at).r - 0.5);\n"
    "    fragColor = vec4(colorConversionMatrix * yuv, 1.0);\n"
    "}\n";

// BT.709 video range to RGB, column after column: R = 1.164 Y + 1.793 V,
// G = 1.164 Y - 0.213 U - 0.533 V, B = 1.164 Y + 2.112 U.
const GLfloat kColorConversion709[3][3] = {
    {1.164f, 1.164f, 1.164f}, {0.0f, -0.213f, 2.112f}, {1.793f, -0.533f, 0.0f}};

void copyInto(std::vector<uchar>& to, const uchar* from, size_t bytes) {
    to.assign(from, from + bytes);
}

}  // namespace

OpenGL360Viewer::OpenGL360Viewer(QWidget* parent, QWidget* angleViewParent,
                                 QVBoxLayout* angleViewLayout, GL360ColorSpace colorSpace)
    : OpenGL360ViewBase(parent, angleViewParent, angleViewLayout), colorSpace(colorSpace) {}

OpenGL360Viewer::~OpenGL360Viewer() { destroyGL(); }

void OpenGL360Viewer::setImage(const QImage& picture) {
    clearRawData();
    image = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_ARGB32);
    repaintIfInitialized();
}

QImage OpenGL360Viewer::getImage() const { return image; }

void OpenGL360Viewer::setRawData(const void* bgra, int width, int height) {
    clearRawData();
    if (bgra && width > 0 && height > 0) {
        copyInto(rgbData, static_cast<const uchar*>(bgra), size_t(width) * height * 4);
        srcWidth = width;
        srcHeight = height;
    }
    repaintIfInitialized();
}

void OpenGL360Viewer::setRawDataYUV(const uchar* y, int width, int height, const uchar* u,
                                    const uchar* v) {
    clearRawData();
    if (y && u && v && width > 1 && height > 1) {
        const size_t quarter = size_t(width / 2) * (height / 2);
        copyInto(yPlane, y, size_t(width) * height);
        copyInto(uPlane, u, quarter);
        copyInto(vPlane, v, quarter);
        srcWidth = width;
        srcHeight = height;
    }
    repaintIfInitialized();
}

void OpenGL360Viewer::getRawDataYUV(uchar** y, int* width, int* height, uchar** u, uchar** v) {
    const bool planes = !yPlane.empty();
    *y = planes ? yPlane.data() : nullptr;
    *u = planes ? uPlane.data() : nullptr;
    *v = planes ? vPlane.data() : nullptr;
    *width = srcWidth;
    *height = srcHeight;
}

void OpenGL360Viewer::clearSource() { clearRawData(); }

void OpenGL360Viewer::clearRawData() {
    rgbData.clear();
    yPlane.clear();
    uPlane.clear();
    vPlane.clear();
    srcWidth = srcHeight = 0;
    newTexture = true;
}

QByteArray OpenGL360Viewer::fragmentSource() const {
    return colorSpace == GL360_YUV420 ? kYuvFragment : kRgbFragment;
}

void OpenGL360Viewer::setSamplers() {
    program()->setUniformValue("tex_y", 0);
    program()->setUniformValue("tex_u", 1);
    program()->setUniformValue("tex_v", 2);
    program()->setUniformValue("colorConversionMatrix", kColorConversion709);
}

void OpenGL360Viewer::createTextures() {
    for (GLTexture& texture : textures) texture.create(*this);
}

void OpenGL360Viewer::destroyTextures() {
    for (GLTexture& texture : textures) texture.destroy(*this);
}

bool OpenGL360Viewer::hasSource() const {
    return !rgbData.empty() || !yPlane.empty() || !image.isNull();
}

void OpenGL360Viewer::drawSource() {
    if (!yPlane.empty()) {
        const QSize half(srcWidth / 2, srcHeight / 2);
        textures[0].upload(*this, 0, {yPlane.data(), QSize(srcWidth, srcHeight), GL_RED, 0});
        textures[1].upload(*this, 1, {uPlane.data(), half, GL_RED, 0});
        textures[2].upload(*this, 2, {vPlane.data(), half, GL_RED, 0});
    } else if (!rgbData.empty()) {
        textures[0].upload(*this, 0, {rgbData.data(), QSize(srcWidth, srcHeight), GL_BGRA, 0},
                           newTexture);
    } else {
        textures[0].upload(*this, 0, {image.constBits(), image.size(), GL_BGRA, 0}, newTexture);
    }
    newTexture = false;
}
