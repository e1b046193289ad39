#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "ui_ConversionDialog.h"

class CircleCheckTask;
class VideoSimple360Generator;

// The overlay that converts the playing recording into a 360 MP4: the user picks one of the
// sizes the encoder probe allows and presses START; the lens circle is searched in the first
// frame, the panorama job writes a temporary file while the bar shows its progress, and SAVE
// copies the result to a chosen file. sigCancel() tells the owner to delete the overlay; a
// job still running then is cancelled.
class ConversionDialog : public QWidget, private Ui_ConversionDialog {
    Q_OBJECT

  public:
    explicit ConversionDialog(QWidget* parent);
    ~ConversionDialog() override;

    // The data location's "/tempExport.mp4".
    static QString temporaryTarget();

  signals:
    void sigCancel();

  public slots:
    void cancelClicked();
    void startConversion();
    void checkCircleDone();
    void saveVideo();
    void onVideoGenProgressUpdate(float totalProgress, float curMediaProgress, int curMediaIdx,
                                  int totalMedias);
    void onVideoGenerationFinished(QString filePath);
    void onVideoGenerationFailed(int result);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void setupFont();
    void doConversion(int centerX, int centerY, int radius);
    QSize checkedSize() const;
    // Cancels a running job and lets a pending circle search delete itself.
    void dropJob();

    QString tempTarget;
    QString sourcePath;
    QString convertedPath;
    QPointer<VideoSimple360Generator> generator;
    QPointer<CircleCheckTask> circleTask;
};
