#include "PlayerView.h"

#include <cstdlib>

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>

#include "DialogHook.h"
#include "EmbeddedResource.h"
#include "ExportFolder.h"
#include "FontStyle.h"
#include "PlayerGLView.h"
#include "PlayerNormalGLView.h"
#include "QPyStyle.h"
#include "RavlixPlayer.h"
#include "SnapshotGenerator.h"
#include "ui_PlayerView.h"

static void initPlayerViewResources() { RV_INIT_RESOURCE_ONCE(playerView); }

namespace {

const int kEndMarginMs = 100;
const int kSliderTailMs = 500;
const int kDelayMs = 500;
const int kSnapshotWidth = 2160;
const int kSnapshotHeight = 1080;
const int kSplitWidth = 1296;
const int kSplitLeft = 432;

QString buttonStyle(const QString& name, const QString& extra = QString()) {
    const QString base = ":/image/playerView/" + name;
    return QString(
               "QPushButton{background-image: url(%1_white.png);%2}"
               "QPushButton:pressed{background-image: url(%1_red.png);}"
               "QPushButton:hover{background-image: url(%1_red.png);}")
        .arg(base, extra);
}

// A control of the bar: its grey picture while disabled, last so that it wins over hover.
QString barButtonStyle(const QString& name) {
    return buttonStyle(name) +
           QString(
               "QPushButton:disabled{background-image: url(:/image/playerView/%1_disabled.png);}")
               .arg(name);
}

void imageBufCleanup(void* buffer) { std::free(buffer); }

// A QImage (ARGB32) over a new buffer that the image frees.
QImage ownedImage(int width, int height, unsigned char** pixels) {
    *pixels = static_cast<unsigned char*>(std::calloc(size_t(width) * height, 4));
    if (!*pixels) return QImage();
    return QImage(*pixels, width, height, width * 4, QImage::Format_ARGB32, imageBufCleanup,
                  *pixels);
}

// The frame's pixels with rows packed, as the snapshot functions read them.
QByteArray packedPixels(const QtAV::VideoFrame& frame) {
    const int rowBytes = frame.width() * 4;
    QByteArray packed(rowBytes * frame.height(), Qt::Uninitialized);
    for (int y = 0; y < frame.height(); ++y)
        memcpy(packed.data() + y * rowBytes, frame.constBits() + y * frame.bytesPerLine(),
               size_t(rowBytes));
    return packed;
}

// Writes `image` to `path` in the format of its suffix. The bytes go to a temporary file that
// replaces `path` only once all of them are written: on false, `path` is as it was before.
bool saveWhole(const QImage& image, const QString& path) {
    // Encoded in memory first: an image writer does not check every write to a file (its last
    // flush least of all), and a commit does not see a failed flush either.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buffer, QFileInfo(path).suffix().toLower().toLatin1()).write(image))
        return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(encoded) == encoded.size() &&
           file.flush() && file.commit();
}

}  // namespace

PlayerView::PlayerView(QWidget* parent)
    : QWidget(parent), ui(new Ui::PlayerView), player(RavlixPlayer::currentPlayer()) {
    initPlayerViewResources();
    ui->setupUi(this);
    QFont timeFont(FontStyle::getFontFamily());
    timeFont.setPixelSize(QLocale::system().name() == "ja_JP" ? 13 : 16);
    ui->lblCurTime->setFont(timeFont);
    dewarpView = new PlayerGLView(ui->dewarpViewHolder, ui->angleViewHolder, ui->angleViewLayout);
    ui->dewarpViewLayout->addWidget(dewarpView, 0, Qt::AlignCenter);
    normalView = new PlayerNormalGLView(ui->normalViewHolder);
    ui->normalViewLayout->addWidget(normalView, 0, Qt::AlignCenter);
    btnZoomIn = new QPushButton(this);
    btnZoomIn->setStyleSheet(buttonStyle("icon_zoom_in", "border: none;"));
    btnZoomIn->setFixedSize(40, 40);
    btnZoomIn->setFocusPolicy(Qt::NoFocus);
    btnZoomIn->move(width() - btnZoomIn->width() - 10, 10);
    btnZoomIn->raise();
    converter = new QtAV::VideoFrameConverter();
    connect(player, &RavlixPlayer::sigVideoChanged, this, &PlayerView::videoChanged);
    connect(player, &RavlixPlayer::sigOpenFailed, this, &PlayerView::openFailed);
    connect(player, &RavlixPlayer::sigFrameExtracted, this, &PlayerView::frameExtracted,
            Qt::QueuedConnection);
    connectFrames();
    connect(player, &RavlixPlayer::sigCurrentPositionUpdated, this, &PlayerView::positionUpdated,
            Qt::QueuedConnection);
    for (QSlider* slider : {ui->progressSlider, ui->volumeSlider}) {
        auto* style = new QPyStyle(slider->style());
        style->setParent(slider);
        slider->setStyle(style);
    }
    ui->btnOnceLoop->setStyleSheet(barButtonStyle("icon_play_once"));
    ui->btnStop->setStyleSheet(barButtonStyle("icon_stop"));
    ui->btnPrevious->setStyleSheet(barButtonStyle("icon_previous"));
    ui->btnNext->setStyleSheet(barButtonStyle("icon_next"));
    ui->btnSnapshot->setStyleSheet(barButtonStyle("icon_snapshot"));
    showPlayPicture(true);
    showVolumePicture(true);
    setControlsEnabled(false);
    connectControls();
}

PlayerView::~PlayerView() {
    playingFrames->close();
    delete dewarpView;
    delete normalView;
    delete converter;
    delete ui;
}

void PlayerView::connectControls() {
    connect(ui->progressSlider, &QSlider::sliderPressed, this, &PlayerView::seekBySliderStart);
    connect(ui->progressSlider, &QSlider::sliderMoved, this, &PlayerView::seekBySlider);
    connect(ui->progressSlider, &QSlider::sliderReleased, this, &PlayerView::seekBySilderFinish);
    connect(ui->volumeSlider, &QSlider::sliderPressed, this,
            QOverload<>::of(&PlayerView::volumeChanged));
    connect(ui->volumeSlider, &QSlider::sliderMoved, this,
            QOverload<int>::of(&PlayerView::volumeChanged));
    connect(btnZoomIn, &QPushButton::clicked, this, &PlayerView::btnZoomInClicked);
    connect(ui->btnOnceLoop, &QPushButton::clicked, this, &PlayerView::btnOnceLoopClicked);
    connect(ui->btnStop, &QPushButton::clicked, this, &PlayerView::btnStopClicked);
    connect(ui->btnPrevious, &QPushButton::clicked, this, &PlayerView::btnPreviousClicked);
    connect(ui->btnPlayPause, &QPushButton::clicked, this, &PlayerView::btnPlayPauseClicked);
    connect(ui->btnNext, &QPushButton::clicked, this, &PlayerView::btnNextClicked);
    connect(ui->btnSnapshot, &QPushButton::clicked, this, &PlayerView::btnSnapshotClicked);
    connect(ui->btnVolume, &QPushButton::clicked, this, &PlayerView::btnVolumeClicked);
}

// Playing frames come on the video thread faster than a busy main thread may take them: only the
// newest waits, with one queued hand-over, so a slow or blocked main thread holds one frame.
void PlayerView::connectFrames() {
    std::shared_ptr<FrameMailbox> box = playingFrames;
    auto takeNewest = [this, box] {
        const QtAV::VideoFrame frame = box->take();
        if (frame.isValid()) frameUpdated(frame);
    };
    connect(
        player, &RavlixPlayer::sigFrameUpdated, this,
        [this, box, takeNewest](const QtAV::VideoFrame& frame) {
            box->put(frame, [this, takeNewest] {
                QMetaObject::invokeMethod(this, takeNewest, Qt::QueuedConnection);
            });
        },
        Qt::DirectConnection);
}

void PlayerView::setControlsEnabled(bool enabled) { ui->controlWidget->setEnabled(enabled); }

void PlayerView::showPlayPicture(bool playPicture) {
    ui->btnPlayPause->setStyleSheet(barButtonStyle(playPicture ? "icon_play" : "icon_pause"));
}

void PlayerView::showVolumePicture(bool on) {
    ui->btnVolume->setStyleSheet(barButtonStyle(on ? "icon_volume_on" : "icon_volume_off"));
}

QString PlayerView::timeText(int minutes, int seconds) {
    return QString::asprintf("%02d:%02d", minutes, seconds);
}

void PlayerView::resetPlayer() {
    reset();
    player->stop();
    setControlsEnabled(false);
    circleKnown = false;
    clearPicture();
}

void PlayerView::clearPicture() {
    // A frame still on its way from the stopped session must not bring the picture back.
    playingFrames->take();
    convertedFrame = QtAV::VideoFrame();
    normalView->clearSource();
    dewarpView->clearSource();
    normalView->update();
    dewarpView->update();
}

void PlayerView::reset() {
    playing = false;
    showPlayPicture(true);
    ui->progressSlider->setValue(0);
    ui->lblCurTime->setText("00:00");
}

void PlayerView::setPlaybackMode(PLAYBACK_MODE newMode) {
    if (newMode == mode) return;
    mode = newMode;
    if (mode == MODE_ORIGINAL) {
        ui->stackedWidget->setCurrentIndex(0);
    } else {
        dewarpView->setPlaybackMode(mode);
        sizeDewarpView(mode);
        ui->stackedWidget->setCurrentIndex(1);
    }
    dewarpView->setResetButtonVisible(mode == MODE_ANGLE);
    // The hidden view is fed no frames: it lets go of its picture, and the view now shown takes
    // the frame the panel holds.
    if (mode == MODE_ORIGINAL)
        dewarpView->clearSource();
    else
        normalView->clearSource();
    if (convertedFrame.isValid()) showFrame(convertedFrame);
}

void PlayerView::sizeDewarpView(PLAYBACK_MODE forMode) {
    const int w = width();
    const int h = height() - ui->controlWidget->height();
    if (forMode == MODE_TWO_IN_ONE || forMode == MODE_FOUR_IN_ONE) {
        const int k = qMax(0, qMin(w / 6, h / 5));
        dewarpView->setFixedSize(6 * k, 5 * k);
    } else if (forMode == MODE_ANGLE) {
        // The angle view's projection follows the view's aspect: it fills the picture area,
        // where a 2:1 view would leave the holder's black above and below it.
        dewarpView->setFixedSize(qMax(0, w), qMax(0, h));
    } else {
        const int k = qMax(0, qMin(w / 2, h));
        dewarpView->setFixedSize(2 * k, k);
    }
}

void PlayerView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    btnZoomIn->move(width() - btnZoomIn->width() - 10, 10);
    const int m = qMax(0, qMin(width(), height() - ui->controlWidget->height()));
    normalView->setFixedSize(m, m);
    sizeDewarpView(mode);
}

void PlayerView::setCircleInfo(int result, int centerX, int centerY, int radius) {
    if (result < 0) {
        circleKnown = false;
        return;
    }
    circleX = centerX;
    circleY = centerY;
    circleRadius = radius;
    circleKnown = true;
}

QtAV::VideoFrame PlayerView::toBgra(const QtAV::VideoFrame& frame) {
    convertedFrame = converter->convert(frame, QtAV::VideoFormat::Format_BGRA32);
    return convertedFrame;
}

void PlayerView::frameExtracted(QtAV::VideoFrame frame) {
    const QtAV::VideoFrame bgra = toBgra(frame);
    normalView->setRawData(bgra);
    // An empty frame (a broken file) gives no default circle; it would stick for later files.
    if (!circleKnown && bgra.width() > 0 && bgra.height() > 0) {
        circleX = bgra.width() / 2;
        circleY = bgra.height() / 2;
        circleRadius = bgra.width() / 2;
        circleKnown = true;
    }
    dewarpView->setRawData(bgra, circleX, circleY, circleRadius);
}

void PlayerView::frameUpdated(QtAV::VideoFrame frame) { showFrame(toBgra(frame)); }

void PlayerView::showFrame(const QtAV::VideoFrame& bgra) {
    if (mode == MODE_ORIGINAL)
        normalView->setRawData(bgra);
    else
        dewarpView->setRawData(bgra, circleX, circleY, circleRadius);
}

void PlayerView::play() {
    if (playing) return;
    playing = true;
    player->seek(0);
    player->play();
    showPlayPicture(false);
}

void PlayerView::pause() {
    if (!playing) return;
    playing = false;
    player->pause();
    showPlayPicture(true);
}

void PlayerView::btnPlayPauseClicked() {
    if (player->getFilePath().isEmpty()) return;
    playing = !playing;
    if (playing)
        player->play();
    else
        player->pause();
    showPlayPicture(!playing);
}

void PlayerView::btnStopClicked() {
    reset();
    player->stop();
    player->seek(0);
}

void PlayerView::btnPreviousClicked() { emit sigPrevFile(); }

void PlayerView::btnNextClicked() { emit sigNextFile(); }

void PlayerView::btnOnceLoopClicked() {
    loop = !loop;
    ui->btnOnceLoop->setStyleSheet(barButtonStyle(loop ? "icon_loop" : "icon_play_once"));
}

void PlayerView::videoChanged() {
    openFailedFlag = false;
    const bool wasPlaying = playing;
    reset();
    ui->progressSlider->setRange(0, int(qMax(0L, player->getDurtion() - kSliderTailMs)));
    setControlsEnabled(true);
    if (wasPlaying) play();
}

void PlayerView::positionUpdated(long ms) {
    if (!playing || sliderDragging) return;
    ui->progressSlider->setValue(int(ms));
    const long s = ms / 1000;
    ui->lblCurTime->setText(timeText(int(s / 60), int(s % 60)));
    if (ms <= player->getDurtion() - kEndMarginMs) return;
    if (loop) {
        player->seek(0);
        player->play();
        return;
    }
    playing = false;
    showPlayPicture(true);
    player->stop();
    QTimer::singleShot(kDelayMs, this, &PlayerView::playNext);
}

void PlayerView::playNext() {
    if (!openFailedFlag) emit sigPlayNextFile();
}

void PlayerView::resumePlay() {
    player->play();
    showPlayPicture(false);
}

void PlayerView::seekBySliderStart() {
    if (playing) {
        player->pause();
        showPlayPicture(true);
    }
    sliderDragging = true;
    // A click on the groove moves the handle there before this; the time follows it.
    seekBySlider(ui->progressSlider->value());
}

void PlayerView::seekBySlider(int value) {
    ui->lblCurTime->setText(timeText(value / 60000, value / 1000 - 60 * (value / 60000)));
    player->seek(value);
}

void PlayerView::seekBySilderFinish() {
    sliderDragging = false;
    if (playing) QTimer::singleShot(kDelayMs, this, &PlayerView::resumePlay);
}

void PlayerView::volumeChanged() { volumeChanged(ui->volumeSlider->value()); }

void PlayerView::volumeChanged(int value) {
    player->setVolume(value / 100.0);
    muted = value == 0;
    if (!muted) lastVolume = value;
    showVolumePicture(!muted);
}

void PlayerView::btnVolumeClicked() {
    if (muted) {
        muted = false;
        player->setVolume(lastVolume / 100.0);
        ui->volumeSlider->setValue(lastVolume);
        showVolumePicture(true);
        return;
    }
    lastVolume = int(player->getVolume() * 100);
    muted = true;
    player->setVolume(0);
    ui->volumeSlider->setValue(0);
    showVolumePicture(false);
}

void PlayerView::btnZoomInClicked() {
    fullScreen = !fullScreen;
    if (fullScreen) {
        showFullScreen();
        emit sigShowFullScreen();
    } else {
        showNormal();
        emit sigShowNormalScreen();
    }
    btnZoomIn->setStyleSheet(
        buttonStyle(fullScreen ? "icon_zoom_out" : "icon_zoom_in", "border: none;"));
}

void PlayerView::openFailed(int) {
    if (openFailedFlag) return;
    reset();
    player->stop();
    setControlsEnabled(false);
    clearPicture();
    openFailedFlag = true;
    checkFileError();
}

void PlayerView::checkFileError() {
    if (openFailedFlag)
        DialogHook::message(this, QMessageBox::Warning, QString(),
                            tr("This file is broken and can't be played."));
}

QImage PlayerView::snapshotImage() {
    if (mode == MODE_ORIGINAL) return normalView->getImage().copy();
    const QtAV::VideoFrame frame = dewarpView->getRawData();
    if (!frame.isValid() || frame.pixelFormat() != QtAV::VideoFormat::Format_BGRA32)
        return QImage();
    const QByteArray src = packedPixels(frame);
    const auto* srcBits = reinterpret_cast<const unsigned char*>(src.constData());
    const int w = frame.width(), h = frame.height();
    const float cx = circleX, cy = circleY, r = circleRadius;
    unsigned char* dst = nullptr;
    if (mode == MODE_PANORAMA || mode == MODE_ANGLE) {
        QImage image = ownedImage(kSnapshotWidth, kSnapshotHeight, &dst);
        if (!dst) return QImage();
        if (mode == MODE_PANORAMA) {
            SnapshotGenerator::snapshotPanorama(srcBits, w, h, dst, kSnapshotWidth, kSnapshotHeight,
                                                cx, cy, r);
        } else {
            int zoom = 7;
            float angleX = 0.0f, angleY = 0.0f;
            dewarpView->getGLViewerParams(&zoom, &angleX, &angleY);
            SnapshotGenerator::snapshotAngle(srcBits, w, h, dst, kSnapshotWidth, kSnapshotHeight,
                                             cx, cy, r, zoom, angleX, angleY);
        }
        return image;
    }
    QImage split = ownedImage(kSplitWidth, kSnapshotHeight, &dst);
    if (!dst) return QImage();
    if (mode == MODE_TWO_IN_ONE)
        SnapshotGenerator::snapshotHalf(srcBits, w, h, dst, kSplitWidth, kSnapshotHeight, cx, cy,
                                        r);
    else
        SnapshotGenerator::snapshotQuarter(srcBits, w, h, dst, kSplitWidth, kSnapshotHeight, cx, cy,
                                           r);
    QImage canvas(kSnapshotWidth, kSnapshotHeight, QImage::Format_ARGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    painter.fillRect(kSplitLeft, 0, kSplitWidth, kSnapshotHeight, Qt::white);
    painter.drawImage(kSplitLeft, 0, split);
    return canvas;
}

void PlayerView::btnSnapshotClicked() {
    pause();
    const QString folder = ExportFolder::start();
    const QString path = player->getFilePath();
    if (path.isEmpty()) return;
    const QString suggested = folder + "/" + QFileInfo(path).baseName() + "_snapshot";
    QString chosen =
        DialogHook::saveFileName(this, tr("Save to file"), suggested, tr("360 Photo (*.jpg)"));
    if (chosen.isEmpty()) return;
    // A name without a suffix would name no image format.
    if (QFileInfo(chosen).suffix().isEmpty()) chosen += ".jpg";
    const QImage image = snapshotImage();
    if (image.isNull() || !saveWhole(image, chosen)) {
        DialogHook::message(this, QMessageBox::Warning, QString(),
                            tr("The snapshot could not be saved."));
        return;
    }
    ExportFolder::remember(QFileInfo(chosen).absolutePath());
}
