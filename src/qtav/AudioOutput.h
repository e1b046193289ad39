#pragma once

#include <atomic>

#include <QObject>

namespace QtAV {

// The player's sound settings. Read by the player's audio thread; set from any thread.
class AudioOutput : public QObject {
    Q_OBJECT
  public:
    explicit AudioOutput(QObject* parent = nullptr);

    // Volume in [0, 1]; values outside are clamped. Default 1.
    void setVolume(qreal volume);
    qreal volume() const;
    void setMute(bool mute);
    bool isMute() const;
    // The gain applied to samples: 0 when muted, else volume().
    qreal effectiveGain() const;

  signals:
    void volumeChanged(qreal volume);
    void muteChanged(bool mute);

  private:
    std::atomic<double> level{1.0};
    std::atomic<bool> muted{false};
};

}  // namespace QtAV
