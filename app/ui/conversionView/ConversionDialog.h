#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "ui_ConversionDialog.h"

class ConversionJob;
class ConversionQueue;

// The overlay that converts the playing recording into a 360 MP4: the user picks one of the
// sizes the encoder probe allows and presses START; a conversion job of the queue writes the
// temporary file while the bar shows its progress, and SAVE copies the result to a chosen
// file. sigCancel() tells the owner to delete the overlay; a job still running then is
// cancelled.
class ConversionDialog : public QWidget, private Ui_ConversionDialog {
    Q_OBJECT

  public:
    // `conversions` runs the overlay's job; it outlives the overlay.
    ConversionDialog(QWidget* parent, ConversionQueue* conversions);
    ~ConversionDialog() override;

  signals:
    void sigCancel();

  public slots:
    void cancelClicked();
    void startConversion();
    void saveVideo();
    void onVideoGenProgressUpdate(float totalProgress, float curMediaProgress, int curMediaIdx,
                                  int totalMedias);
    void onVideoGenerationFinished(QString filePath);
    void onVideoGenerationFailed(int result);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void setupFont();
    QSize checkedSize() const;

    ConversionQueue* conversions;
    QString tempTarget;
    QString convertedPath;
    QPointer<ConversionJob> job;  // from START until it reports
};
