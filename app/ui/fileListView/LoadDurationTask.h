#pragma once

#include <QPointer>
#include <QRunnable>
#include <QString>

class FileListItemView;

// Reads the video duration of one row's file on a pool thread (deleted by the pool after
// run()). The result reaches the row on the main thread, only while the row still exists
// (replyOnMainThread).
class LoadDurationTask : public QRunnable {
  public:
    // Main thread (the row's).
    LoadDurationTask(FileListItemView* view, QString path);

    // Pool thread.
    void run() override;

    // Seconds of video in `path`, 0 when it cannot be opened.
    static double readDuration(const QString& path);

  private:
    QPointer<FileListItemView> view;
    const QString path;
};
