#include "PlayerGLView.h"

#include <QOpenGLShaderProgram>

#include "EmbeddedResource.h"

static void initPlayerGLViewResources() { RV_INIT_RESOURCE_ONCE(playerGLView); }

namespace {

const char* const kButtonStyle = "background-color: transparent; border: none;";

}  // namespace

PlayerGLView::PlayerGLView(QWidget* parent, QWidget* resetButtonContainer,
                           QVBoxLayout* resetButtonLayout)
    : OpenGL360ViewBase(parent, resetButtonContainer, resetButtonLayout, "PlayerGLView",
                        kButtonStyle) {
    initPlayerGLViewResources();
    angleIcon = QImage(":/image/playerView/icon_angle.png");
}

PlayerGLView::~PlayerGLView() { destroyGL(); }

void PlayerGLView::setPlaybackMode(PLAYBACK_MODE playbackMode) {
    if (playbackMode != mode) {
        mode = playbackMode;
        rebuildProgram();
    }
    update();
}

void PlayerGLView::setRawData(const QtAV::VideoFrame& videoFrame, double centerX, double centerY,
                              double radius) {
    frame = videoFrame;
    frameChanged = true;
    srcCenterX = static_cast<float>(centerX);
    srcCenterY = static_cast<float>(centerY);
    srcRadius = static_cast<float>(radius);
    repaintIfInitialized();
}

QtAV::VideoFrame PlayerGLView::getRawData() const { return frame; }

void PlayerGLView::clearSource() {
    frame = QtAV::VideoFrame();
    frameChanged = false;
    if (!initialized) return;
    makeCurrent();
    texture.release(*this);
    doneCurrent();
}

QByteArray PlayerGLView::fragmentSource() const {
    // The mode as a constant after the version line: the compiler drops the other modes' steps,
    // which a software renderer would otherwise run for every pixel.
    QByteArray source = GLProgram::resource(":/glsl/FragmentDewarp.fsh");
    const int versionEnd = source.indexOf('\n') + 1;
    return source.insert(versionEnd,
                         QByteArray("#define VIEW_MODE ") + QByteArray::number(int(mode)) + "\n");
}

void PlayerGLView::createTextures() {
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    texture.create(*this);
}

void PlayerGLView::destroyTextures() {
    frame = QtAV::VideoFrame();
    texture.destroy(*this);
}

bool PlayerGLView::hasSource() const { return GLFrameTexture::isDrawable(frame, maxTextureSize); }

void PlayerGLView::drawSource() {
    QOpenGLShaderProgram& program = *this->program();
    program.setUniformValue("srcAWidth", static_cast<float>(frame.width()));
    program.setUniformValue("srcAHeight", static_cast<float>(frame.height()));
    program.setUniformValue("srcACenterX", srcCenterX);
    program.setUniformValue("srcACenterY", srcCenterY);
    program.setUniformValue("srcARadius", srcRadius);
    program.setUniformValue("rotationMatrixA", rotationMatrix);
    program.setUniformValue("isPanoramaView", mode == MODE_PANORAMA);
    program.setUniformValue("isHalfView", mode == MODE_TWO_IN_ONE);
    program.setUniformValue("isQuarterView", mode == MODE_FOUR_IN_ONE);
    texture.bind(*this, frame, frameChanged);
    frameChanged = false;
}

bool PlayerGLView::showsSphere() const { return mode == MODE_ANGLE; }

bool PlayerGLView::turnsWithPointer() const { return mode == MODE_ANGLE; }

QImage PlayerGLView::anglePicture(int) const { return angleIcon; }
