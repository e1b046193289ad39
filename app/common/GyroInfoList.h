#pragma once

#include <memory>
#include <vector>

#include <QMetaType>
#include <QString>

#include "GyroInfo.h"

// The trip records of one recording, entry n for second n of the video. Read-only once made and
// shared by its copies: a copy, or a record taken from one with at(), keeps every record of the
// list valid for as long as it is held, whatever thread or queued event holds it. Copies are
// cheap. The last holder deletes the records.
class GyroInfoList {
  public:
    GyroInfoList();
    // Takes `records` in order.
    explicit GyroInfoList(std::vector<std::unique_ptr<GyroInfo>> records);

    // The records of the recording at `path`: empty when it has none or cannot be read. Any
    // thread; it may take long for a crafted file.
    static GyroInfoList read(const QString& path);

    int size() const;
    bool isEmpty() const;
    // Record `index` in [0, size()), borrowed from the list.
    const GyroInfo& operator[](int index) const;
    // Record `index`, holding the whole list; null outside [0, size()).
    SharedGyroInfo at(int index) const;
    // The index of `record` in the list (by identity), or -1.
    int indexOf(const GyroInfo* record) const;

  private:
    using Records = std::vector<std::unique_ptr<const GyroInfo>>;
    std::shared_ptr<const Records> records;
};

Q_DECLARE_METATYPE(GyroInfoList)
