#pragma once

#include <vector>

#include <QString>
#include <QThread>

// Makes the 90-degree view thumbnail of a fisheye photo, levelled with the photo's attitude:
// e x e/2 pixels of 32-bit BGRA. Runs once on its own thread.
class GetPhotoThumbnailTask : public QThread {
    Q_OBJECT

  public:
    GetPhotoThumbnailTask(int size, const QString& path, const QString& rotationDataPath);

    // Read these after finished(): 0, or -2 when the photo cannot be loaded
    // (or declares a side above kMaxPictureSide), -6 when the
    // dewarp buffer cannot be allocated. The thumbnail holds size x size x 2 bytes.
    int getResult() const { return result; }
    const std::vector<uchar>& getThumbnail() const { return thumbnail; }

    // Owner's thread only: a cancelled task's outcome is not reported.
    void cancel() { cancelled = true; }
    bool isCancelled() const { return cancelled; }

  protected:
    void run() override;

  private:
    void fillStartRotation(double R[9]) const;

    // Written by run(), read by the owner after finished().
    int result = 0;
    // Owner's thread only.
    bool cancelled = false;
    std::vector<uchar> thumbnail;
    // Set at construction.
    int thumbnailSize;
    QString photoPath;
    QString rotationDataPath;
};
