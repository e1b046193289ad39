#pragma once

#include <memory>

#include <QWidget>

#include "FrameMailbox.h"
#include "PlaybackMode.h"
#include "VideoFrame.h"
#include "VideoFrameConverter.h"

class QPushButton;
class PlayerGLView;
class PlayerNormalGLView;
class RavlixPlayer;

namespace Ui {
class PlayerView;
}

// The panel that shows the playing recording and runs its controls: the plain and the dewarp
// view in a stack, the control bar, a full-screen button, the end of a clip, the broken-file
// message and snapshots. Main thread only; a current RavlixPlayer must exist when it is built.
class PlayerView : public QWidget {
    Q_OBJECT

  public:
    explicit PlayerView(QWidget* parent = nullptr);
    ~PlayerView() override;

    // Called when the folder changes: playback stopped, controls disabled, lens circle and
    // picture forgotten.
    void resetPlayer();

  public slots:
    void checkFileError();
    void setPlaybackMode(PLAYBACK_MODE mode);
    // A negative result forgets the circle; otherwise the circle in frame pixels.
    void setCircleInfo(int result, int centerX, int centerY, int radius);
    void play();
    void pause();

  signals:
    void sigPrevFile();
    void sigNextFile();
    void sigPlayNextFile();
    void sigShowFullScreen();
    void sigShowNormalScreen();

  protected slots:
    void videoChanged();
    void openFailed(int error);
    void frameExtracted(QtAV::VideoFrame frame);
    void frameUpdated(QtAV::VideoFrame frame);
    void positionUpdated(long ms);
    void playNext();
    void resumePlay();
    void seekBySliderStart();
    void seekBySlider(int value);
    void seekBySilderFinish();
    void volumeChanged();
    void volumeChanged(int value);
    void btnZoomInClicked();
    void btnOnceLoopClicked();
    void btnStopClicked();
    void btnPreviousClicked();
    void btnPlayPauseClicked();
    void btnNextClicked();
    void btnSnapshotClicked();
    void btnVolumeClicked();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void connectControls();
    void connectFrames();
    void reset();
    // Forgets the frame the panel and both views hold: the views show black.
    void clearPicture();
    // Gives the frame to the view of the current mode.
    void showFrame(const QtAV::VideoFrame& bgra);
    void setControlsEnabled(bool enabled);
    void showPlayPicture(bool playPicture);
    void showVolumePicture(bool on);
    void sizeDewarpView(PLAYBACK_MODE forMode);
    QtAV::VideoFrame toBgra(const QtAV::VideoFrame& frame);
    QImage snapshotImage();
    static QString timeText(int minutes, int seconds);

    Ui::PlayerView* ui;
    RavlixPlayer* player;
    PLAYBACK_MODE mode = MODE_ORIGINAL;
    QtAV::VideoFrameConverter* converter;
    PlayerGLView* dewarpView;
    PlayerNormalGLView* normalView;
    QPushButton* btnZoomIn;
    bool playing = false;
    bool sliderDragging = false;
    bool loop = false;
    bool muted = false;
    int lastVolume = 100;
    bool fullScreen = false;
    bool openFailedFlag = false;
    bool circleKnown = false;
    int circleX = 0;
    int circleY = 0;
    int circleRadius = 0;
    QtAV::VideoFrame convertedFrame;  // kept alive until the next one replaces it
    // The newest playing frame, filled on the video thread; shared with the connection.
    std::shared_ptr<FrameMailbox> playingFrames = std::make_shared<FrameMailbox>();
};
