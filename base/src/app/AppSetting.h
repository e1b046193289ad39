#pragma once

// A typed key/value settings store behind a static facade over one installed instance. Install
// it with _setAppSetting before the first facade call; the caller keeps ownership. Keys are
// UTF-8. Absent keys give 0, false or null. Used from the main thread.
class AppSetting {
  public:
    virtual ~AppSetting();

    virtual int doGetInt(const char* key) = 0;
    // Malloc'd UTF-8 copy, or null when absent; the caller frees it.
    virtual char* doGetAndDupString(const char* key) = 0;
    virtual bool doGetBoolean(const char* key) = 0;
    virtual long long doGetLongLong(const char* key) = 0;
    virtual void doSetInt(const char* key, int value) = 0;
    virtual void doSetString(const char* key, const char* value) = 0;
    virtual void doSetBoolean(const char* key, bool value) = 0;
    virtual void doSetLongLong(const char* key, long long value) = 0;
    virtual void doRemove(const char* key) = 0;
    virtual void doRemoveLongLong(const char* key) = 0;
    // From here on, changes stay in memory until doCommitBatchMode().
    virtual void doStartBatchMode() = 0;
    // Writes the store to disk and leaves batch mode.
    virtual void doCommitBatchMode() = 0;

    static void _setAppSetting(AppSetting* setting);

    static int getInt(const char* key);
    static char* getAndDupString(const char* key);
    static bool getBoolean(const char* key);
    static long long getLongLong(const char* key);
    static void setInt(const char* key, int value);
    static void setString(const char* key, const char* value);
    static void setBoolean(const char* key, bool value);
    static void setLongLong(const char* key, long long value);
    static void remove(const char* key);
    static void removeLongLong(const char* key);
    static void startBatchMode();
    static void commitBatchMode();
};
