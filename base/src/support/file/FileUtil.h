#pragma once

#include "List.h"

// Folder listing and path building. Paths are UTF-8; every returned string is malloc'd and
// freed by the caller (a scanDir list with freeAllAndReset()).
class FileUtil {
  public:
    // Names (not paths) of the non-folder, non-hidden entries of `folder`, in name order ignoring
    // letter case. A missing folder gives an empty list.
    static List<char*> scanDir(const char* folder);
    // Absolute path of `name` inside `folder`; an absolute `name` comes back unchanged.
    static char* generateFullFilePath(const char* folder, const char* name);
    static char* generateFullDirPath(const char* folder, const char* name);
};
