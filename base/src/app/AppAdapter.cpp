#include "AppAdapter.h"

#include <cstring>
#include <string>

namespace {
AppAdapter* adapter = nullptr;
}

AppAdapter::~AppAdapter() = default;

const char* AppAdapter::doGetDeviceIDWithOSName() {
    static const char* const deviceIDWithOSName =
        strdup((std::string(doGetOSName()) + "-" + doGetDeviceID()).c_str());
    return deviceIDWithOSName;
}

void AppAdapter::_setAppAdapter(AppAdapter* instance) { adapter = instance; }

const char* AppAdapter::getOSName() { return adapter->doGetOSName(); }

const char* AppAdapter::getDeviceID() { return adapter->doGetDeviceID(); }

const char* AppAdapter::getDeviceIDWithOSName() { return adapter->doGetDeviceIDWithOSName(); }

const char* AppAdapter::getLangCode() { return adapter->doGetLangCode(); }

const char* AppAdapter::getSupportedLangCode() {
    const char* code = adapter->doGetLangCode();
    if (code && (strcmp(code, "en") == 0 || strcmp(code, "zh-TW") == 0)) return code;
    return "en";
}

const char* AppAdapter::getFullAppDataPath() { return adapter->doGetFullAppDataPath(); }

const char* AppAdapter::getFullAppLogPath() { return adapter->doGetFullAppLogPath(); }

List<char*> AppAdapter::scanAppSubDir(const char* name) { return adapter->doScanAppSubDir(name); }

int AppAdapter::createAppSubDirectory(const char* name) {
    return adapter->doCreateAppSubDirectory(name);
}

char* AppAdapter::getAndDupPassword(const char* key) { return adapter->doGetAndDupPassword(key); }

void AppAdapter::savePasswd(const char* key, const char* value) {
    adapter->doSavePasswd(key, value);
}

void AppAdapter::removePasswd(const char* key) { adapter->doRemovePasswd(key); }
