#include "AppSetting.h"

namespace {
AppSetting* setting = nullptr;
}

AppSetting::~AppSetting() = default;

void AppSetting::_setAppSetting(AppSetting* instance) { setting = instance; }

int AppSetting::getInt(const char* key) { return setting->doGetInt(key); }

char* AppSetting::getAndDupString(const char* key) { return setting->doGetAndDupString(key); }

bool AppSetting::getBoolean(const char* key) { return setting->doGetBoolean(key); }

long long AppSetting::getLongLong(const char* key) { return setting->doGetLongLong(key); }

void AppSetting::setInt(const char* key, int value) { setting->doSetInt(key, value); }

void AppSetting::setString(const char* key, const char* value) { setting->doSetString(key, value); }

void AppSetting::setBoolean(const char* key, bool value) { setting->doSetBoolean(key, value); }

void AppSetting::setLongLong(const char* key, long long value) {
    setting->doSetLongLong(key, value);
}

void AppSetting::remove(const char* key) { setting->doRemove(key); }

void AppSetting::removeLongLong(const char* key) { setting->doRemoveLongLong(key); }

void AppSetting::startBatchMode() { setting->doStartBatchMode(); }

void AppSetting::commitBatchMode() { setting->doCommitBatchMode(); }
