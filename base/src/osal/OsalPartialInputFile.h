#pragma once

#include "OsalInputFile.h"

// A read window of `length` bytes of a file, beginning `offset` bytes from the start (whence 0)
// or from the end (whence 2, offset as a rule negative). tell/seek/read work inside the window:
// position 0 is the window's first byte, `length` its end.
class OsalPartialInputFile : public OsalInputFile {
  public:
    OsalPartialInputFile(const char* path, int whence, long long offset, int length);
    ~OsalPartialInputFile() override;

    // -4 unless whence is 0 or 2; the base open's code when the file does not open; -12 when
    // the window does not lie inside the file; 0 on success. Reopening finds the same window.
    int open() override;
    void close() override;
    // Window position; 0 when closed.
    long long tell() override;
    // -10001 when closed, -4 for a bad whence or a target outside [0, length], else the base
    // seek's code; the window position moves only when the base seek succeeds.
    int seek(long long offset, int whence) override;
    // At most the bytes left in the window; 0 when closed or at the window's end. A read error
    // returns (unsigned long)-1 and leaves the window position unchanged.
    unsigned long read(void* buffer, unsigned long size) override;

  private:
    int whence;               // 0 or 2 before the first open, 0 after it
    long long offset;         // after a successful open: absolute start of the window
    int length;               // window length in bytes
    long long position = -1;  // window position; -1 while closed
};
