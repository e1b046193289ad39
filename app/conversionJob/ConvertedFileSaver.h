#pragma once

#include <QString>

// Saving a converted video: the name to suggest, and the copy under the chosen name. ".mp4" is
// added when the name lacks it; the copy is written beside the target first and only then takes
// the place of a file of that name; the converted file goes once the copy is in place and stays
// on any failure.
class ConvertedFileSaver {
  public:
    enum Result {
        Saved,
        SameFile,  // the chosen name is the converted file itself: nothing done
        Failed,
    };

    static Result save(const QString& converted, const QString& chosen);
    // "<folder>/<base name of `playing`>_export" in the export folder's start.
    static QString suggestedFile(const QString& playing);
};
