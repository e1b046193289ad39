#include "CommonQTAppSetting.h"

#include <cstring>

#include <QSettings>

const char* const CommonQTAppSetting::organizationName = "ravlix.com";

struct CommonQTAppSetting::Impl {
    explicit Impl(const char* appName)
        : settings(QSettings::IniFormat, QSettings::UserScope, QString::fromUtf8(organizationName),
                   QString::fromUtf8(appName ? appName : "")) {}
    QSettings settings;
};

namespace {
QString keyOf(const char* key) { return QString::fromUtf8(key); }
}  // namespace

CommonQTAppSetting::CommonQTAppSetting(const char* appName) : impl(new Impl(appName)) {}

CommonQTAppSetting::~CommonQTAppSetting() = default;

int CommonQTAppSetting::doGetInt(const char* key) {
    return impl->settings.value(keyOf(key)).toInt();
}

char* CommonQTAppSetting::doGetAndDupString(const char* key) {
    const QVariant value = impl->settings.value(keyOf(key));
    if (!value.isValid()) return nullptr;
    return strdup(value.toString().toUtf8().constData());
}

bool CommonQTAppSetting::doGetBoolean(const char* key) {
    return impl->settings.value(keyOf(key)).toBool();
}

long long CommonQTAppSetting::doGetLongLong(const char* key) {
    return impl->settings.value(keyOf(key)).toLongLong();
}

void CommonQTAppSetting::doSetInt(const char* key, int value) {
    impl->settings.setValue(keyOf(key), value);
    writeThrough();
}

void CommonQTAppSetting::doSetString(const char* key, const char* value) {
    impl->settings.setValue(keyOf(key), QString::fromUtf8(value));
    writeThrough();
}

void CommonQTAppSetting::doSetBoolean(const char* key, bool value) {
    impl->settings.setValue(keyOf(key), value);
    writeThrough();
}

void CommonQTAppSetting::doSetLongLong(const char* key, long long value) {
    impl->settings.setValue(keyOf(key), static_cast<qlonglong>(value));
    writeThrough();
}

void CommonQTAppSetting::doRemove(const char* key) {
    impl->settings.remove(keyOf(key));
    writeThrough();
}

void CommonQTAppSetting::doRemoveLongLong(const char* key) { doRemove(key); }

void CommonQTAppSetting::doStartBatchMode() { batch = true; }

void CommonQTAppSetting::doCommitBatchMode() {
    impl->settings.sync();
    batch = false;
}

void CommonQTAppSetting::writeThrough() {
    if (!batch) impl->settings.sync();
}
