#pragma once

#include <QImage>
#include <QThread>

class FFMpegDecoder360G;

// Reads the frame on screen at one time of an open decoder as a 32-bit ARGB image, scaled to
// a width when one above 0 is given. Runs once on its own thread.
class GetImageTask : public QThread {
    Q_OBJECT

  public:
    // The decoder is borrowed and used by no other code until the task has finished.
    GetImageTask(FFMpegDecoder360G* decoder, double time, int width);

    // Read these after finished(): the image (null on failure) and 0 or -7 (no frame).
    QImage getImage() const { return image; }
    int getResult() const { return result; }

    // Owner's thread only: a cancelled task's outcome is not reported.
    void cancel() { cancelled = true; }
    bool isCancelled() const { return cancelled; }

  protected:
    void run() override;

  private:
    // Written by run(), read by the owner after finished().
    QImage image;
    int result = 0;
    // Owner's thread only.
    bool cancelled = false;
    // Set at construction.
    FFMpegDecoder360G* decoder;
    double time;
    int scaleWidth;
};
