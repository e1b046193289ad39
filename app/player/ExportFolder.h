#pragma once

#include <QString>

// The folder that the save dialogs of snapshots and converted videos start in, kept under
// "EXPORT_DIR_PATH" in "/setting.ini" of the writable data location. Main thread.
class ExportFolder {
  public:
    // The stored folder while it exists; else the documents folder, made when missing; else the
    // home folder. Never empty, never the working directory.
    static QString start();
    // Stores `folder` (absolute) unless it is the one stored.
    static void remember(const QString& folder);
};
