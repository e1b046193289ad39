#pragma once

#include <QString>

#include <memory>

class QTemporaryDir;

// The temporary files of one conversion job: a private folder made with a unique name and
// owner-only rights, so that jobs running at once (or of other users) never meet on a file
// name and nobody else can place a file or a link under the names the job writes. The folder
// goes with everything in it when the job ends (remove() or the destructor). Any thread, one
// at a time.
class V360JobFolder {
  public:
    // shared: the caller's folder to make it in ("job-XXXXXX", the folder created when
    // missing); empty: "UQO Studio-XXXXXX" right in the user's temporary location, so that
    // no folder another user made can block or hold it.
    explicit V360JobFolder(QString shared);
    ~V360JobFolder();
    V360JobFolder(const V360JobFolder&) = delete;
    V360JobFolder& operator=(const V360JobFolder&) = delete;

    // False when the private folder could not be made; the file paths are then empty.
    bool isValid() const;
    // The private folder; empty when not valid.
    QString path() const;
    // `name` inside the private folder; empty when not valid.
    QString file(const QString& name) const;
    // Removes the private folder and everything in it; later calls do nothing.
    void remove();

    // The default folder's path with its unique part as "XXXXXX".
    static QString defaultPattern();

  private:
    std::unique_ptr<QTemporaryDir> dir;
};
