#pragma once

#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>

#include "YTVideoInfo.h"
#include "ui_UploadDialog.h"

class ConversionJob;
class ConversionQueue;
class YoutubeUploadManager;

// Overlay over the main window that converts the playing recording and uploads it:
//
// 1. page 0: sign in (the manager's modal dialog, or an existing sign-in 100 ms after start);
// 2. page 1: title and privacy, START;
// 3. page 2: a conversion job of the queue (lens circle, then the conversion at the largest size
//    the encoder allows: bar 0-80 %), then the upload (80-100 %);
// 4. page 3: Done, and Save of the converted file under a chosen name.
// A failed conversion or upload warns and returns to page 1. Main thread only.
class UploadDialog : public QWidget, private Ui_UploadDialog {
    Q_OBJECT

  public:
    // The conversion size among the allowed ones: 3840x1920, else 2880x1440, else 2160x1080.
    static QSize largestSize(bool allows3840, bool allows2880);
    // largestSize() of what the encoder probe allows.
    static QSize outputSize();

    // `conversions` runs the overlay's job; it outlives the overlay.
    explicit UploadDialog(ConversionQueue* conversions, QWidget* parent = nullptr);
    ~UploadDialog() override;

  signals:
    void sigCancel();

  public slots:
    void cancelClicked();
    void loginClicked();
    void startClicked();
    void doneClicked();
    void switchClicked();
    void saveClicked();
    void loginSuccess();
    void uploadProgress(qlonglong uploaded, qlonglong total);
    void uploadResult(int result, QString msg);
    void onVideoGenProgressUpdate(float totalProgress, float curMediaProgress, int curMediaIdx,
                                  int totalMedias);
    void onVideoGenerationFinished(QString filePath);
    void onVideoGenerationFailed(int result);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void setupFont();
    void connectSignals();
    void setInputsEnabled(bool enabled);
    void backToStart(const QString& warning);
    void setProgress(int width, int percent);
    YT_VIDEO_PRIVACY checkedPrivacy() const;

    YoutubeUploadManager* manager;  // process-wide, not owned
    ConversionQueue* conversions;
    QPointer<ConversionJob> job;  // from START until the conversion reports
    QString targetPath;
    QString convertedPath;
    bool busy = false;  // from START until the conversion or upload has reported
};
