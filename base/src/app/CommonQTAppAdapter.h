#pragma once

#include "AppAdapter.h"

// The Qt adapter: OS "Mac", language "en", data and log folders "data" and "log" under a root
// folder, created with their parents when first asked for. No password store.
class CommonQTAppAdapter : public AppAdapter {
  public:
    // A root folder given directly (UTF-8, made absolute); the application name is not touched.
    struct RootFolder {
        const char* path;
    };

    // Sets the Qt application name to `appName` (UTF-8) when non-null, then roots the folders at
    // the per-user application data location. `deviceId` is copied (null: "Qt device").
    CommonQTAppAdapter(const char* appName, const char* deviceId);
    CommonQTAppAdapter(RootFolder root, const char* deviceId);
    ~CommonQTAppAdapter() override;
    CommonQTAppAdapter(const CommonQTAppAdapter&) = delete;
    CommonQTAppAdapter& operator=(const CommonQTAppAdapter&) = delete;

    const char* doGetOSName() override;
    const char* doGetDeviceID() override;
    const char* doGetLangCode() override;
    const char* doGetFullAppDataPath() override;
    const char* doGetFullAppLogPath() override;
    List<char*> doScanAppSubDir(const char* name) override;
    int doCreateAppSubDirectory(const char* name) override;
    char* doGetAndDupPassword(const char* key) override;
    void doSavePasswd(const char* key, const char* value) override;
    void doRemovePasswd(const char* key) override;

  private:
    // Path of root/name, made with its parents on the first call, then cached in `cache`.
    const char* subFolder(char*& cache, const char* name);

    char* root;
    char* logPath = nullptr;
    char* dataPath = nullptr;
    char* deviceId;
};
