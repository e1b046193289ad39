#include "CommonQTAppAdapter.h"

#include <cstdlib>
#include <cstring>

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include "FileUtil.h"
#include "ResultCode.h"

namespace {

char* dupOrNull(const char* text) { return text ? strdup(text) : nullptr; }

char* dataLocationFor(const char* appName) {
    if (appName) QCoreApplication::setApplicationName(QString::fromUtf8(appName));
    return strdup(
        QStandardPaths::writableLocation(QStandardPaths::DataLocation).toUtf8().constData());
}

char* absoluteRoot(const char* path) {
    return strdup(QDir(QString::fromUtf8(path ? path : "")).absolutePath().toUtf8().constData());
}

}  // namespace

CommonQTAppAdapter::CommonQTAppAdapter(const char* appName, const char* deviceId)
    : root(dataLocationFor(appName)), deviceId(dupOrNull(deviceId)) {}

CommonQTAppAdapter::CommonQTAppAdapter(RootFolder rootFolder, const char* deviceId)
    : root(absoluteRoot(rootFolder.path)), deviceId(dupOrNull(deviceId)) {}

CommonQTAppAdapter::~CommonQTAppAdapter() {
    free(root);
    free(logPath);
    free(dataPath);
    free(deviceId);
}

const char* CommonQTAppAdapter::doGetOSName() { return "Mac"; }

const char* CommonQTAppAdapter::doGetDeviceID() { return deviceId ? deviceId : "Qt device"; }

const char* CommonQTAppAdapter::doGetLangCode() { return "en"; }

const char* CommonQTAppAdapter::doGetFullAppDataPath() { return subFolder(dataPath, "data"); }

const char* CommonQTAppAdapter::doGetFullAppLogPath() { return subFolder(logPath, "log"); }

const char* CommonQTAppAdapter::subFolder(char*& cache, const char* name) {
    if (!cache) {
        cache = FileUtil::generateFullDirPath(root, name);
        QDir(QString::fromUtf8(cache)).mkpath(".");
    }
    return cache;
}

List<char*> CommonQTAppAdapter::doScanAppSubDir(const char* name) {
    char* path = FileUtil::generateFullDirPath(root, name);
    List<char*> names = FileUtil::scanDir(path);
    free(path);
    return names;
}

int CommonQTAppAdapter::doCreateAppSubDirectory(const char* name) {
    char* path = FileUtil::generateFullDirPath(root, name);
    const bool made = QDir(QString::fromUtf8(path)).mkpath(".");
    free(path);
    return made ? 0 : ResultCode::kIoError;
}

char* CommonQTAppAdapter::doGetAndDupPassword(const char*) { return nullptr; }

void CommonQTAppAdapter::doSavePasswd(const char*, const char*) {}

void CommonQTAppAdapter::doRemovePasswd(const char*) {}
