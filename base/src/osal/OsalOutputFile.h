#pragma once

#include <memory>

// A write-only file bound to a UTF-8 path: truncating, or appending when `append` is set.
// Not thread-safe. Destruction closes it.
class OsalOutputFile {
  public:
    OsalOutputFile(const char* path, bool append);
    ~OsalOutputFile();
    OsalOutputFile(const OsalOutputFile&) = delete;
    OsalOutputFile& operator=(const OsalOutputFile&) = delete;

    // -10001 when already open, -12 when the file cannot be opened, else 0.
    int open();
    // Bytes written, -1 on error, 0 when not open.
    long long write(const void* data, unsigned long size);
    // Closes (flushing); harmless when not open.
    void close();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl;
    bool append;
};
