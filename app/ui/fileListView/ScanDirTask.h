#pragma once

#include <QPointer>
#include <QRunnable>
#include <QString>
#include <QStringList>

class FileListView;

// Lists the "*.MOV" files of one folder on a pool thread (deleted by the pool after run()).
// The names reach the panel on the main thread, only while it still exists (replyOnMainThread).
class ScanDirTask : public QRunnable {
  public:
    // Main thread (the panel's).
    ScanDirTask(FileListView* view, QString dirPath);

    // Pool thread.
    void run() override;

    // Bare names of the folder's "*.MOV" files (letter case ignored), by name ignoring case;
    // no hidden files, no sub-folders. Empty for a missing folder.
    static QStringList listVideos(const QString& dirPath);

  private:
    QPointer<FileListView> view;
    const QString dirPath;
};
