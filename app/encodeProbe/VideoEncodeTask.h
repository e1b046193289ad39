#pragma once

#include <atomic>

#include <QString>
#include <QThread>

class EncodeManager;

// One trial of the encoder probe, on its own thread: encodes the sample's first frame, scaled
// to width x height, into the data location's "testEncode.mov" (left on disk). The result is 0
// when the size works, else the failed step's code (-1: the sample has no frame).
class VideoEncodeTask : public QThread {
    Q_OBJECT

  public:
    VideoEncodeTask(EncodeManager* manager, QString samplePath, int width, int height);

    int getWidth() const { return width; }
    // Read after finished().
    int getResult() const { return result; }
    // Any thread: the trial skips its steps still ahead (0, the size keeps its flag).
    void cancel() { cancelled = true; }

  protected:
    void run() override;

  private:
    int encodeFirstFrame(const QString& output);

    EncodeManager* manager;
    QString samplePath;
    int width;
    int height;
    int result = 0;
    std::atomic_bool cancelled{false};
};
