#pragma once

// Result codes of the file wrappers.
enum OsalResult : int {
    OSAL_OK = 0,
    OSAL_BAD_ARGUMENT = -4,     // whence or window range
    OSAL_IO_ERROR = -12,        // seek refused, open for writing failed, window outside the file
    OSAL_CANNOT_OPEN = -30,     // the file cannot be opened for reading
    OSAL_WRONG_STATE = -10001,  // already open / not open
};
