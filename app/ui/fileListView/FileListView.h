#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "LensCircleSearch.h"
#include "List.h"
#include "ui_FileListView.h"

class FileDialog;
class FileListItemView;
class QTimer;

// The list of recordings of one folder in three columns (name, duration, date) under a header
// whose borders the user drags (FileListHeader), the folder chooser, the save and (hidden)
// upload buttons, the previous / next steps, and the lens-circle search over the first files of
// each listing.
//
// Road of a listing: init() or changeDir() start a ScanDirTask on the global pool; its names
// arrive queued in setFiles(), which rebuilds the rows, remembers the folder under
// "LAST_DIR_PATH" and starts the lens-circle search on the first five files (the first frame of
// each read by getVideoImage()) until one gives an acceptable circle. The first rows are built at
// once, the rest in batches from the event loop once the circle chain has ended, so that a large
// folder shows at once and the window stays responsive. A row whose file is gone from the disk
// when it is pressed or stepped to leaves the list instead of being opened. Everything runs on
// the main thread except the scan, the duration reads and the circle search itself.
class FileListView : public QWidget {
    Q_OBJECT

  public:
    explicit FileListView(QWidget* parent = nullptr);
    ~FileListView() override;

    // Lists the folder stored under "LAST_DIR_PATH", if any. Called once, after the wiring.
    void init();
    // The first video frame of `path` at half size, or a null image. Main thread.
    virtual QImage getVideoImage(QString path);
    void resizeContent();

    // The settings file of the panel ("/setting.ini" in the data location).
    static QString settingsPath();

  signals:
    void sigChangeDir();
    void sigChangeFile(QString path);
    void sigCircleChecked(int result, int centerX, int centerY, int radius);
    void sigCheckError();
    void sigPlayFile();
    void sigPauseFile();
    void sigSaveFile();
    void sigUploadFile();
    void sigShowWaitingView();
    void sigHideWaitingView();
    // Emitted for a ScanDirTask on the main thread; queued to setFiles.
    void sigScanDirFinish(QString dirPath, QStringList videos);

  public slots:
    void changePrevFile();
    void changeNextFile();
    void playNextFile();

  protected slots:
    void btnFileClicked();
    void btnSaveClicked();
    void btnYouTubeClicked();
    void videoChanged();
    void videoError(int error);
    void hideFileDialog();
    void changeDir(QString dirPath);
    void relayoutContent(int value);
    void relayoutBackground(int value);
    void changeSelectFile(FileListItemView* view);
    void playSelectFile();

  private slots:
    void setFiles(QString dirPath, QStringList videos);
    void addRowBatch();

  private:
    void trackMouse();
    void connectAll();
    void startScan(const QString& dirPath);
    void showNoVideos();
    void rebuildRows(const QStringList& videos);
    void addRows(int count);
    void endCircleChain(int result, int centerX, int centerY, int radius);
    void stepSelection(int step);
    // A listed file gone from the disk: its row leaves the list and the rows below move up.
    void dropRow(FileListItemView* row);
    void scrollToRow(FileListItemView* row);
    void sizeRow(FileListItemView* row);

    Ui_FileListView ui;
    List<FileListItemView*> rows;  // owned, display order
    FileListItemView* selected = nullptr;
    QStringList listing;  // names of the current listing; rows.size() of them have rows
    QTimer* rowTimer;     // builds the next batch of rows
    QString currentDir;
    FileDialog* fileDialog = nullptr;
    LensCircleSearch circleSearch;
};
