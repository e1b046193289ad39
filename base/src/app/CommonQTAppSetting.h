#pragma once

#include <memory>

#include "AppSetting.h"

// The Qt settings store: a per-user INI file named after the organisation and `appName`.
// Every change is written to disk at once, except in batch mode, where changes stay off the
// file (reads see them) until the commit; a store deleted in batch mode drops them.
class CommonQTAppSetting : public AppSetting {
  public:
    // The maker's web domain, the store's organisation name.
    static const char* const organizationName;

    explicit CommonQTAppSetting(const char* appName);
    ~CommonQTAppSetting() override;
    CommonQTAppSetting(const CommonQTAppSetting&) = delete;
    CommonQTAppSetting& operator=(const CommonQTAppSetting&) = delete;

    int doGetInt(const char* key) override;
    char* doGetAndDupString(const char* key) override;
    bool doGetBoolean(const char* key) override;
    long long doGetLongLong(const char* key) override;
    void doSetInt(const char* key, int value) override;
    void doSetString(const char* key, const char* value) override;
    void doSetBoolean(const char* key, bool value) override;
    void doSetLongLong(const char* key, long long value) override;
    void doRemove(const char* key) override;
    void doRemoveLongLong(const char* key) override;
    void doStartBatchMode() override;
    void doCommitBatchMode() override;

  private:
    void writeThrough();

    struct Impl;
    std::unique_ptr<Impl> impl;
    bool batch = false;
};
