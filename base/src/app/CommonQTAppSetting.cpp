#include "CommonQTAppSetting.h"

#include <cstring>
#include <utility>
#include <vector>

#include <QSettings>

const char* const CommonQTAppSetting::organizationName = "ravlix.com";

// In batch mode the changes wait here, in order, instead of in `settings`: QSettings writes its
// own pending changes by itself once an event loop runs.
struct CommonQTAppSetting::Impl {
    explicit Impl(const char* appName)
        : settings(QSettings::IniFormat, QSettings::UserScope, QString::fromUtf8(organizationName),
                   QString::fromUtf8(appName ? appName : "")) {}

    // The value a read sees: the key's last waiting change, else the stored one (invalid when
    // absent or removed).
    QVariant value(const QString& key) const {
        for (auto change = waiting.rbegin(); change != waiting.rend(); ++change)
            if (change->first == key) return change->second;
        return settings.value(key);
    }

    // Stores a value (an invalid one removes the key), or keeps it waiting in batch mode.
    void change(const QString& key, const QVariant& v, bool batch) {
        if (batch)
            waiting.emplace_back(key, v);
        else
            apply(key, v);
    }

    void apply(const QString& key, const QVariant& v) {
        if (v.isValid())
            settings.setValue(key, v);
        else
            settings.remove(key);
    }

    // Applies the waiting changes in order and writes the store.
    void commit() {
        for (const auto& c : waiting) apply(c.first, c.second);
        waiting.clear();
        settings.sync();
    }

    QSettings settings;
    std::vector<std::pair<QString, QVariant>> waiting;
};

namespace {
QString keyOf(const char* key) { return QString::fromUtf8(key); }
}  // namespace

CommonQTAppSetting::CommonQTAppSetting(const char* appName) : impl(new Impl(appName)) {}

CommonQTAppSetting::~CommonQTAppSetting() = default;

int CommonQTAppSetting::doGetInt(const char* key) { return impl->value(keyOf(key)).toInt(); }

char* CommonQTAppSetting::doGetAndDupString(const char* key) {
    const QVariant value = impl->value(keyOf(key));
    if (!value.isValid()) return nullptr;
    return strdup(value.toString().toUtf8().constData());
}

bool CommonQTAppSetting::doGetBoolean(const char* key) { return impl->value(keyOf(key)).toBool(); }

long long CommonQTAppSetting::doGetLongLong(const char* key) {
    return impl->value(keyOf(key)).toLongLong();
}

void CommonQTAppSetting::doSetInt(const char* key, int value) {
    impl->change(keyOf(key), QVariant(value), batch);
    writeThrough();
}

void CommonQTAppSetting::doSetString(const char* key, const char* value) {
    impl->change(keyOf(key), QVariant(QString::fromUtf8(value)), batch);
    writeThrough();
}

void CommonQTAppSetting::doSetBoolean(const char* key, bool value) {
    impl->change(keyOf(key), QVariant(value), batch);
    writeThrough();
}

void CommonQTAppSetting::doSetLongLong(const char* key, long long value) {
    impl->change(keyOf(key), QVariant(static_cast<qlonglong>(value)), batch);
    writeThrough();
}

void CommonQTAppSetting::doRemove(const char* key) {
    impl->change(keyOf(key), QVariant(), batch);
    writeThrough();
}

void CommonQTAppSetting::doRemoveLongLong(const char* key) { doRemove(key); }

void CommonQTAppSetting::doStartBatchMode() { batch = true; }

void CommonQTAppSetting::doCommitBatchMode() {
    impl->commit();
    batch = false;
}

void CommonQTAppSetting::writeThrough() {
    if (!batch) impl->settings.sync();
}
