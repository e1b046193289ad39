#pragma once

#include "List.h"

// Platform questions behind a static facade over one installed instance. Install it with
// _setAppAdapter before the first facade call; the caller keeps ownership. Returned texts are
// owned by the adapter unless said otherwise. Used from the main thread.
class AppAdapter {
  public:
    virtual ~AppAdapter();

    virtual const char* doGetOSName() = 0;
    virtual const char* doGetDeviceID() = 0;
    // OS name, "-" and device id, built on the first call and cached for the process.
    virtual const char* doGetDeviceIDWithOSName();
    virtual const char* doGetLangCode() = 0;
    virtual const char* doGetFullAppDataPath() = 0;
    virtual const char* doGetFullAppLogPath() = 0;
    // Malloc'd names of the plain files in the sub-folder; the caller frees them.
    virtual List<char*> doScanAppSubDir(const char* name) = 0;
    // 0 on success, -12 when the folder cannot be made.
    virtual int doCreateAppSubDirectory(const char* name) = 0;
    // Malloc'd copy or null; the caller frees it.
    virtual char* doGetAndDupPassword(const char* key) = 0;
    virtual void doSavePasswd(const char* key, const char* value) = 0;
    virtual void doRemovePasswd(const char* key) = 0;

    static void _setAppAdapter(AppAdapter* adapter);

    static const char* getOSName();
    static const char* getDeviceID();
    static const char* getDeviceIDWithOSName();
    static const char* getLangCode();
    // The language code when it is "en" or "zh-TW", otherwise "en".
    static const char* getSupportedLangCode();
    static const char* getFullAppDataPath();
    static const char* getFullAppLogPath();
    static List<char*> scanAppSubDir(const char* name);
    static int createAppSubDirectory(const char* name);
    static char* getAndDupPassword(const char* key);
    static void savePasswd(const char* key, const char* value);
    static void removePasswd(const char* key);
};
