#pragma once

#include <memory>

// A read-only file bound to a UTF-8 path at construction. Not thread-safe: one user at a time.
// Result codes: 0 ok, -4 bad whence, -12 seek refused, -30 cannot open, -10001 wrong open state.
class OsalInputFile {
  public:
    explicit OsalInputFile(const char* path);
    virtual ~OsalInputFile();
    OsalInputFile(const OsalInputFile&) = delete;
    OsalInputFile& operator=(const OsalInputFile&) = delete;

    // -10001 when already open, -30 when the file cannot be opened, else 0.
    virtual int open();
    // Closes; harmless when not open.
    virtual void close();
    // Current byte position; 0 when not open.
    virtual long long tell();
    // whence 0: from the start, 1: from the current position, 2: from the end (SEEK_SET/CUR/END).
    // -10001 when not open, -4 for another whence, -12 when the position is refused.
    virtual int seek(long long offset, int whence);
    // Bytes read (0 at the end or when not open), or (unsigned long)-1 on a read error.
    virtual unsigned long read(void* buffer, unsigned long size);
    // Whether the bound file exists (open or not).
    virtual bool exists();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
